#include "config/settings_dialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QValidator>

#include "config/config_fonts.h"
#include "config/dpi_scale.h"
#include "config/settings_form.h"

namespace orvane {

namespace {

constexpr const char* kCaption = kSettingsCaption;
constexpr int kClientWidth = 290;
constexpr int kClientHeight = 386;

constexpr int kTabPaddingX = 6;
constexpr int kTabPaddingY = 3;

constexpr int kPowerSavePage = 2;

// The fallback face may be wider than the one the layout was made for: let a caption
// stretch to the right rather than be cut.
void widenToText(QWidget* widget) {
    if (widget->sizeHint().width() > widget->width()) {
        widget->resize(widget->sizeHint().width(), widget->height());
    }
}

QColor swatchQColour(const std::array<int, 3>& channels) {
    const RgbChannels c = splitColour(swatchColour(channels));
    return QColor(c.red, c.green, c.blue);
}

}  // namespace

// An edit's length limit holds for typing only. A longer text the dialog was filled with (a
// stored value) is shown and kept whole; typing may shorten it but never lengthen it again.
class TypingLengthLimit : public QValidator {
public:
    TypingLengthLimit(QLineEdit* edit, qsizetype limit)
        : QValidator(edit), limit_(limit), ceiling_(limit) {
        connect(edit, &QLineEdit::textChanged, this,
                [this](const QString& text) { ceiling_ = std::max(limit_, text.size()); });
        edit->setValidator(this);
    }

    // Fills the edit with a stored text, however long.
    void setStoredText(QLineEdit* edit, const QString& text) {
        ceiling_ = std::max(limit_, text.size());
        edit->setText(text);
    }

    State validate(QString& input, int&) const override {
        return input.size() <= ceiling_ ? Acceptable : Invalid;
    }

private:
    qsizetype limit_;
    qsizetype ceiling_;  // the longest text typing may leave: the limit, or a longer text's length
};

namespace {

// "Suspend After" takes what typedMinutesAllowed lets through, typed or pasted.
class MinutesTyping : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return typedMinutesAllowed(input.toStdString()) ? Acceptable : Invalid;
    }
};

}  // namespace

SettingsDialog::SettingsDialog(ColourPicker pickColour, MessageSink showMessage, QWidget* parent)
    : QDialog(parent), pickColour_(std::move(pickColour)), showMessage_(std::move(showMessage)) {
    dpi_ = logicalDpiY();
    setWindowTitle(kCaption);
    setFont(dialogFont(dpi_));
    setFixedSize(scaledPx(kClientWidth, dpi_), scaledPx(kClientHeight, dpi_));

    defaultsButton_ = new QPushButton("&Defaults", this);
    defaultsButton_->setObjectName("defaultsButton");
    defaultsButton_->setGeometry(scaledRect(32, 356, 75, 25, dpi_));
    okButton_ = new QPushButton("&Ok", this);
    okButton_->setObjectName("okButton");
    okButton_->setGeometry(scaledRect(120, 356, 75, 25, dpi_));
    cancelButton_ = new QPushButton("&Cancel", this);
    cancelButton_->setObjectName("cancelButton");
    cancelButton_->setGeometry(scaledRect(206, 356, 75, 25, dpi_));

    pages_ = new QTabWidget(this);
    pages_->setObjectName("pages");
    pages_->setGeometry(scaledRect(8, 8, 273, 341, dpi_));
    // Narrow tabs, so all three fit across the notebook as they do with the original face.
    pages_->tabBar()->setStyleSheet(QString("QTabBar::tab { padding: %1px %2px; }")
                                        .arg(scaledPx(kTabPaddingY, dpi_))
                                        .arg(scaledPx(kTabPaddingX, dpi_)));
    pages_->addTab(buildIntroPage(), "Intro Sequence");
    pages_->addTab(buildCodePage(), "Code Emulation");
    pages_->addTab(buildPowerSavePage(), "Power Save");
    pages_->setCurrentIndex(0);  // the dialog always opens on the first page

    connect(defaultsButton_, &QPushButton::clicked, this, &SettingsDialog::restoreDefaults);
    connect(okButton_, &QPushButton::clicked, this, &SettingsDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &SettingsDialog::reject);
    connect(tintSelectButton_, &QPushButton::clicked, this, [this] { pickColourFor(tint_); });
    connect(highlightSelectButton_, &QPushButton::clicked, this,
            [this] { pickColourFor(highlight_); });
    // The dialog has no default button: Qt would otherwise make "&Defaults" one, and Enter in
    // an edit would throw every change away (see keyPressEvent).
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
    }
    setTabOrder();
    paintSwatches();
}

QWidget* SettingsDialog::buildIntroPage() {
    auto* page = new QWidget;
    const auto box = [&](const char* title, int l, int t, int w, int h) {
        auto* group = new QGroupBox(title, page);
        group->setGeometry(scaledRect(l, t, w, h, dpi_));
        return group;
    };
    const auto place = [&](QWidget* widget, const char* name, int l, int t, int w, int h) {
        widget->setObjectName(name);
        widget->setGeometry(scaledRect(l, t, w, h, dpi_));
        if (qobject_cast<QAbstractButton*>(widget) != nullptr) {
            widenToText(widget);
        }
    };

    QGroupBox* general = box("General", 4, 4, 257, 69);
    showTitleCheck_ = new QCheckBox("Show The Orvane title sequence", general);
    place(showTitleCheck_, "showTitleCheck", 12, 20, 177, 17);
    showIntroCheck_ = new QCheckBox("Show trace program sequence", general);
    place(showIntroCheck_, "showIntroCheck", 12, 40, 177, 17);

    QGroupBox* dateTime = box("Displayed Date and Time", 4, 80, 257, 65);
    movieDateRadio_ = new QRadioButton("Date/Time from movie", dateTime);
    place(movieDateRadio_, "movieDateRadio", 12, 20, 153, 17);
    currentDateRadio_ = new QRadioButton("Current date/time", dateTime);
    place(currentDateRadio_, "currentDateRadio", 12, 40, 113, 17);
    movieDateRadio_->setChecked(true);

    QGroupBox* phone = box("Trace Program Phone Number", 4, 152, 257, 57);
    auto* phoneHint = new QLabel("(10 digits with spaces allowed)", phone);
    phoneHint->move(scaledPx(12, dpi_), scaledPx(24, dpi_));
    phoneHint->adjustSize();
    phoneEdit_ = new QLineEdit(kDefaultPhoneNumber, phone);
    place(phoneEdit_, "phoneEdit", 172, 20, 73, 21);
    phoneLimit_ = new TypingLengthLimit(phoneEdit_, kPhoneMaxLength);

    QGroupBox* name = box("Displayed Name", 4, 216, 257, 89);
    fixedNameRadio_ = new QRadioButton("Use 'Kel' as name", name);
    place(fixedNameRadio_, "fixedNameRadio", 12, 20, 113, 17);
    loginNameRadio_ = new QRadioButton("Use computer user name", name);
    place(loginNameRadio_, "loginNameRadio", 12, 40, 149, 17);
    specifiedNameRadio_ = new QRadioButton("Use specified name", name);
    place(specifiedNameRadio_, "specifiedNameRadio", 12, 60, 113, 17);
    loginNameRadio_->setChecked(true);
    nameEdit_ = new QLineEdit(kDefaultUserName, name);
    place(nameEdit_, "nameEdit", 156, 56, 89, 21);
    nameLimit_ = new TypingLengthLimit(nameEdit_, kNameMaxLength);
    return page;
}

QWidget* SettingsDialog::buildCodePage() {
    auto* page = new QWidget;
    const auto label = [&](const char* text, QWidget* parent, int l, int t) {
        auto* widget = new QLabel(text, parent);
        widget->move(scaledPx(l, dpi_), scaledPx(t, dpi_));
        widget->adjustSize();
    };
    const auto slider = [&](QWidget* parent, const char* name, int l, int t, int w, int h) {
        auto* widget = new QSlider(Qt::Horizontal, parent);
        widget->setObjectName(name);
        widget->setGeometry(scaledRect(l, t, w, h, dpi_));
        widget->setRange(kTrackMin, kTrackMax);
        widget->setTickPosition(QSlider::NoTicks);
        widget->setPageStep(1);
        return widget;
    };
    const auto swatch = [&](QWidget* parent, const char* name, int l, int t) {
        auto* frame = new QFrame(parent);
        frame->setObjectName(name);
        frame->setGeometry(scaledRect(l, t, 73, 25, dpi_));
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame->setAutoFillBackground(true);
        return frame;
    };
    const auto selectButton = [&](QWidget* parent, const char* name, int l, int t) {
        auto* button = new QPushButton("Select...", parent);
        button->setObjectName(name);
        button->setGeometry(scaledRect(l, t, 75, 25, dpi_));
        return button;
    };

    auto* speed = new QGroupBox("Speed Settings", page);
    speed->setGeometry(scaledRect(4, 4, 257, 89, dpi_));
    label("Scroll Speed", speed, 12, 24);
    speedSlider_ = slider(speed, "speedSlider", 80, 20, 169, 25);
    label("Variability", speed, 12, 56);
    varianceSlider_ = slider(speed, "varianceSlider", 80, 52, 169, 25);

    auto* density = new QGroupBox("Density", page);
    density->setGeometry(scaledRect(4, 100, 257, 61, dpi_));
    densitySlider_ = slider(density, "densitySlider", 8, 20, 241, 33);
    densitySlider_->setRange(kDensityMin, kTrackMax);
    densitySlider_->setTickPosition(QSlider::TicksBelow);
    densitySlider_->setTickInterval(1);

    auto* colour = new QGroupBox("Colour", page);
    colour->setGeometry(scaledRect(4, 172, 257, 101, dpi_));
    label("Code ", colour, 12, 28);
    tintSwatch_ = swatch(colour, "tintSwatch", 84, 24);
    tintSelectButton_ = selectButton(colour, "tintSelectButton", 168, 24);
    label("Highlight", colour, 12, 64);
    highlightSwatch_ = swatch(colour, "highlightSwatch", 84, 60);
    highlightSelectButton_ = selectButton(colour, "highlightSelectButton", 168, 60);
    return page;
}

QWidget* SettingsDialog::buildPowerSavePage() {
    auto* page = new QWidget;
    auto* group = new QGroupBox("Power Save", page);
    group->setGeometry(scaledRect(8, 8, 249, 105, dpi_));
    auto* suspendLabel = new QLabel("Suspend After", group);
    suspendLabel->move(scaledPx(16, dpi_), scaledPx(26, dpi_));
    suspendLabel->adjustSize();
    suspendEdit_ = new QLineEdit(kDefaultSuspend, group);
    suspendEdit_->setObjectName("suspendEdit");
    suspendEdit_->setGeometry(scaledRect(96, 24, 49, 21, dpi_));
    // Only a minus sign and digits can be typed; the range is checked on "&Ok".
    suspendEdit_->setValidator(new MinutesTyping(suspendEdit_));
    auto* minutes = new QLabel("minutes", group);
    minutes->move(scaledPx(160, dpi_), scaledPx(26, dpi_));
    minutes->adjustSize();
    escapeExitCheck_ = new QCheckBox("Use Escape/LMB Exit", group);
    escapeExitCheck_->setObjectName("escapeExitCheck");
    escapeExitCheck_->setGeometry(scaledRect(16, 64, 145, 17, dpi_));
    widenToText(escapeExitCheck_);
    return page;
}

void SettingsDialog::setTabOrder() {
    QWidget* const order[] = {defaultsButton_,   okButton_,        cancelButton_,
                              pages_,            phoneEdit_,       fixedNameRadio_,
                              loginNameRadio_,   specifiedNameRadio_, nameEdit_,
                              showTitleCheck_,   showIntroCheck_,  movieDateRadio_,
                              currentDateRadio_, speedSlider_,     varianceSlider_,
                              densitySlider_,    tintSelectButton_, highlightSelectButton_,
                              suspendEdit_,      escapeExitCheck_};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void SettingsDialog::setValues(const Settings& s) { setControls(controlsFrom(s)); }

void SettingsDialog::setControls(const SettingsControls& c) {
    showTitleCheck_->setChecked(c.showTitle);
    showIntroCheck_->setChecked(c.showIntro);
    // A stored text longer than the typing limit is shown, and written back, whole.
    phoneLimit_->setStoredText(phoneEdit_, QString::fromStdString(c.phoneNumber));
    nameLimit_->setStoredText(nameEdit_, QString::fromStdString(c.userName));
    switch (c.nameChoice) {
    case NameChoice::Fixed: fixedNameRadio_->setChecked(true); break;
    case NameChoice::LoggedOn: loginNameRadio_->setChecked(true); break;
    case NameChoice::Specified: specifiedNameRadio_->setChecked(true); break;
    }
    (c.currentDateTime ? currentDateRadio_ : movieDateRadio_)->setChecked(true);
    tint_ = c.tint;
    highlight_ = c.highlight;
    speedSlider_->setValue(c.speedPosition);
    varianceSlider_->setValue(c.variancePosition);
    densitySlider_->setValue(c.densityPosition);
    suspendEdit_->setText(QString::fromStdString(c.suspendText));
    escapeExitCheck_->setChecked(c.escapeExit);
    paintSwatches();
}

SettingsControls SettingsDialog::controls() const {
    SettingsControls c;
    c.showTitle = showTitleCheck_->isChecked();
    c.showIntro = showIntroCheck_->isChecked();
    c.phoneNumber = phoneEdit_->text().toStdString();
    c.nameChoice = fixedNameRadio_->isChecked()   ? NameChoice::Fixed
                   : loginNameRadio_->isChecked() ? NameChoice::LoggedOn
                                                  : NameChoice::Specified;
    c.currentDateTime = !movieDateRadio_->isChecked();
    c.userName = nameEdit_->text().toStdString();
    c.tint = tint_;
    c.highlight = highlight_;
    c.speedPosition = speedSlider_->value();
    c.variancePosition = varianceSlider_->value();
    c.densityPosition = densitySlider_->value();
    c.suspendText = suspendEdit_->text().toStdString();
    c.escapeExit = escapeExitCheck_->isChecked();
    return c;
}

std::optional<Settings> SettingsDialog::values(const Settings& current) const {
    return settingsFrom(controls(), current);
}

void SettingsDialog::restoreDefaults() { setControls(defaultControls()); }

void SettingsDialog::accept() {
    if (!parseMinutes(suspendEdit_->text().toStdString())) {
        pages_->setCurrentIndex(kPowerSavePage);
        suspendEdit_->setFocus();
        suspendEdit_->selectAll();
        showMessage_(this, kCaption, QString::fromStdString(suspendRefusalText()));
        return;
    }
    QDialog::accept();
}

QColor SettingsDialog::tintColour() const { return swatchQColour(tint_); }
QColor SettingsDialog::highlightColour() const { return swatchQColour(highlight_); }

void SettingsDialog::pickColourFor(Channels& channels) {
    const std::optional<QColor> picked = pickColour_(this, swatchQColour(channels));
    if (!picked || !picked->isValid()) {
        return;
    }
    const QRgb value = picked->rgb();
    channels = {qRed(value), qGreen(value), qBlue(value)};
    paintSwatches();
}

void SettingsDialog::paintSwatches() {
    const auto paint = [](QFrame* swatch, const QColor& colour) {
        QPalette palette = swatch->palette();
        palette.setColor(QPalette::Window, colour);
        swatch->setPalette(palette);
    };
    paint(tintSwatch_, tintColour());
    paint(highlightSwatch_, highlightColour());
}

void SettingsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    paintSwatches();
    if (const QScreen* shown = screen()) {
        move(shown->availableGeometry().center() - rect().center());
    }
}

void SettingsDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter presses the focused push button and nothing else: in an edit or on a page it
        // keeps what was typed.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace orvane
