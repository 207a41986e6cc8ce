// The configuration mode's window: a borderless box on a green gradient with the title, the
// version, the credit lines, a link to the project's web page, "&Ok" and "&Settings".
#pragma once

#include <array>
#include <filesystem>

#include <QDialog>

#include "config/config_services.h"
#include "config/credit_table.h"
#include "host/settings.h"

class QLabel;
class QTimer;

namespace orvane {

class ColourButton;
class GradientPanel;

class AboutBox : public QDialog {
    Q_OBJECT

public:
    static constexpr std::size_t kRunTimeLineCount = 6;

    AboutBox(Settings& settings, std::filesystem::path settingsFile, ConfigServices services,
             QWidget* parent = nullptr);

    // The tops of slot 1, the images line, slots 2, 3 and 4 and the link, below "Written by".
    static std::array<int, kRunTimeLineCount> runTimeLineTops(int dpi);

    // The two timers' work: apply credit set A or B to the five slots again.
    void applyCreditSetA();
    void applyCreditSetB();
    // "&Settings": the settings edit cycle.
    void editSettings();
    // The link: opens the project's web page.
    void openHomePage();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* addLabel(const QString& text, const char* name, int pixelHeight);
    void fillSlots(const std::array<const ScrambledText*, kCreditSlotCount>& entries);

    Settings& settings_;
    std::filesystem::path settingsFile_;
    ConfigServices services_;
    int dpi_ = 0;
    GradientPanel* background_ = nullptr;
    std::array<QLabel*, kCreditSlotCount> slots_{};
    QLabel* link_ = nullptr;
    ColourButton* okButton_ = nullptr;
    ColourButton* settingsButton_ = nullptr;
    QTimer* setATimer_ = nullptr;
    QTimer* setBTimer_ = nullptr;
};

}  // namespace orvane
