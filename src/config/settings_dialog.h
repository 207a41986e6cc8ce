// The modal dialog in which the user edits every value of the settings record, on three
// pages. It only maps values into and out of its controls; the About box's edit cycle
// decides when to copy them back and write the settings file.
#pragma once

#include <array>
#include <functional>
#include <optional>

#include <QColor>
#include <QDialog>

#include "config/settings_form.h"
#include "host/settings.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;

namespace orvane {

class TypingLengthLimit;

class SettingsDialog : public QDialog {
    Q_OBJECT

public:
    using ColourPicker = std::function<std::optional<QColor>(QWidget* parent, const QColor&)>;
    using MessageSink = std::function<void(QWidget* parent, const QString&, const QString&)>;

    SettingsDialog(ColourPicker pickColour, MessageSink showMessage, QWidget* parent = nullptr);

    // Fills the controls from the record, in the record's order.
    void setValues(const Settings& settings);
    // The record with the dialog's values copied in, or nothing when "Suspend After" does
    // not hold a whole number of minutes.
    std::optional<Settings> values(const Settings& current) const;

    // "&Defaults": the controls only; nothing reaches the record before "&Ok".
    void restoreDefaults();
    // "&Ok": refused, with a message, while "Suspend After" is not a whole number.
    void accept() override;

    // The controls' values as they stand, and putting values on them.
    SettingsControls controls() const;
    void setControls(const SettingsControls& controls);

    QColor tintColour() const;
    QColor highlightColour() const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    using Channels = std::array<int, 3>;  // red, green, blue

    QWidget* buildIntroPage();
    QWidget* buildCodePage();
    QWidget* buildPowerSavePage();
    void setTabOrder();
    void pickColourFor(Channels& channels);
    void paintSwatches();

    ColourPicker pickColour_;
    MessageSink showMessage_;
    int dpi_ = 0;
    Channels tint_{};
    Channels highlight_{};

    QPushButton* defaultsButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QTabWidget* pages_ = nullptr;
    QCheckBox* showTitleCheck_ = nullptr;
    QCheckBox* showIntroCheck_ = nullptr;
    QRadioButton* movieDateRadio_ = nullptr;
    QRadioButton* currentDateRadio_ = nullptr;
    QLineEdit* phoneEdit_ = nullptr;
    TypingLengthLimit* phoneLimit_ = nullptr;
    QRadioButton* fixedNameRadio_ = nullptr;
    QRadioButton* loginNameRadio_ = nullptr;
    QRadioButton* specifiedNameRadio_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    TypingLengthLimit* nameLimit_ = nullptr;
    QSlider* speedSlider_ = nullptr;
    QSlider* varianceSlider_ = nullptr;
    QSlider* densitySlider_ = nullptr;
    QFrame* tintSwatch_ = nullptr;
    QPushButton* tintSelectButton_ = nullptr;
    QFrame* highlightSwatch_ = nullptr;
    QPushButton* highlightSelectButton_ = nullptr;
    QLineEdit* suspendEdit_ = nullptr;
    QCheckBox* escapeExitCheck_ = nullptr;
};

}  // namespace orvane
