#include "config/about_box.h"

#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include "config/config_fonts.h"
#include "config/credit_cipher.h"
#include "config/dpi_scale.h"
#include "config/settings_edit.h"
#include "widgets/colour_button.h"
#include "widgets/gradient_panel.h"

namespace orvane {

namespace {

constexpr const char* kWindowCaption = "About The Orvane Screen Saver";
constexpr int kClientWidth = 440;
constexpr int kClientHeight = 302;

constexpr Colour kPanelStartColour = rgb(0, 128, 0);
constexpr int kPanelBorder = 8;
constexpr int kPanelRotation = 30;

const QColor kLime(0, 255, 0);
const QColor kLinkRed(255, 0, 0);
const QColor kButtonFace(0, 193, 0);

constexpr int kTitleFontPx = 21;  // "The Orvane" and "Screen Saver", at 96 dpi
constexpr int kTextFontPx = 16;   // the other design-time lines, at 96 dpi
constexpr int kRunTimeFontPoints = 12;

constexpr int kWrittenByTop = 104;
// Run-time lines stand at y0 + n * h, y0 just below "Written by", h one line of 12 points.
constexpr std::array<int, AboutBox::kRunTimeLineCount> kRunTimeLineSteps = {0, 2, 3, 5, 6, 7};

constexpr int kCreditTimerMs = 1000;

constexpr const char* kImagesLine = "Orvane character images by";

}  // namespace

std::array<int, AboutBox::kRunTimeLineCount> AboutBox::runTimeLineTops(int dpi) {
    const int y0 = scaledPx(kWrittenByTop, dpi) + scaledPx(kTextFontPx, dpi);
    const int h = pointsToPx(kRunTimeFontPoints, dpi);
    std::array<int, kRunTimeLineCount> tops{};
    for (std::size_t i = 0; i < tops.size(); ++i) {
        tops[i] = y0 + kRunTimeLineSteps[i] * h;
    }
    return tops;
}

AboutBox::AboutBox(Settings& settings, std::filesystem::path settingsFile,
                   ConfigServices services, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      settings_(settings),
      settingsFile_(std::move(settingsFile)),
      services_(std::move(services)) {
    dpi_ = logicalDpiY();
    setWindowTitle(kWindowCaption);
    setFont(dialogFont(dpi_));
    const int width = scaledPx(kClientWidth, dpi_);
    setFixedSize(width, scaledPx(kClientHeight, dpi_));

    background_ = new GradientPanel(this);
    background_->setObjectName("background");
    background_->setGeometry(rect());
    background_->setStartColour(kPanelStartColour);
    background_->setEndColour(kBlack);
    background_->setBorderThickness(kPanelBorder);
    background_->setRotation(kPanelRotation);
    background_->setPeriod(0);
    background_->setPatternCentreX(0);
    background_->setPatternCentreY(0);
    background_->setShadeMode(ShadeMode::Saturate);
    background_->setPerformanceMode(PerformanceMode::LowerMemory);

    // Every line is centred across the whole box.
    const int titlePx = scaledPx(kTitleFontPx, dpi_);
    const int textPx = scaledPx(kTextFontPx, dpi_);
    addLabel("The Orvane", "titleLabel", titlePx)->setGeometry(0, scaledPx(16, dpi_), width,
                                                              scaledPx(23, dpi_));
    QLabel* subtitle = addLabel("Screen Saver", "subtitleLabel", titlePx);
    subtitle->setGeometry(0, scaledPx(48, dpi_), width, subtitle->sizeHint().height());
    addLabel("Version 1.12 - 01 August 2010", "versionLabel", textPx)
        ->setGeometry(0, scaledPx(80, dpi_), width, scaledPx(18, dpi_));
    addLabel("Written by", "writtenByLabel", textPx)
        ->setGeometry(0, scaledPx(kWrittenByTop, dpi_), width, scaledPx(18, dpi_));

    const int lineFontPx = pointsToPx(kRunTimeFontPoints, dpi_);
    const std::array<int, kRunTimeLineCount> tops = runTimeLineTops(dpi_);
    const char* names[kRunTimeLineCount] = {"creditSlot1", "imagesLine", "creditSlot2",
                                            "creditSlot3", "creditSlot4", "linkLabel"};
    std::array<QLabel*, kRunTimeLineCount> lines{};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        lines[i] = addLabel(QString(), names[i], lineFontPx);
        lines[i]->setGeometry(0, tops[i], width, lines[i]->fontMetrics().height());
    }
    lines[1]->setText(kImagesLine);
    slots_ = {lines[0], lines[2], lines[3], lines[4], lines[5]};
    link_ = lines[5];
    QFont linkFont = link_->font();
    linkFont.setUnderline(true);
    link_->setFont(linkFont);
    QPalette linkPalette = link_->palette();
    linkPalette.setColor(QPalette::WindowText, kLinkRed);
    link_->setPalette(linkPalette);
    link_->installEventFilter(this);

    settingsButton_ = new ColourButton("&Settings", background_);
    settingsButton_->setObjectName("settingsButton");
    settingsButton_->setGeometry(scaledRect(136, 260, 75, 25, dpi_));
    settingsButton_->setColour(kButtonFace);
    okButton_ = new ColourButton("&Ok", background_);
    okButton_->setObjectName("okButton");
    okButton_->setGeometry(scaledRect(224, 260, 75, 25, dpi_));
    okButton_->setColour(kButtonFace);
    QWidget::setTabOrder(okButton_, settingsButton_);
    okButton_->setFocus();
    connect(okButton_, &QPushButton::clicked, this, &AboutBox::accept);
    connect(settingsButton_, &QPushButton::clicked, this, &AboutBox::editSettings);

    setATimer_ = new QTimer(this);
    setATimer_->setObjectName("creditSetATimer");
    setATimer_->setInterval(kCreditTimerMs);
    connect(setATimer_, &QTimer::timeout, this, &AboutBox::applyCreditSetA);
    setBTimer_ = new QTimer(this);
    setBTimer_->setObjectName("creditSetBTimer");
    setBTimer_->setInterval(kCreditTimerMs);
    connect(setBTimer_, &QTimer::timeout, this, &AboutBox::applyCreditSetB);
    setATimer_->start();
    setBTimer_->start();
}

QLabel* AboutBox::addLabel(const QString& text, const char* name, int pixelHeight) {
    auto* label = new QLabel(text, background_);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setFont(boldCourierFont(pixelHeight));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kLime);
    label->setPalette(palette);
    return label;
}

void AboutBox::fillSlots(const std::array<const ScrambledText*, kCreditSlotCount>& entries) {
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        slots_[i]->setText(
            QString::fromStdString(decodeStream(entries[i]->bytes, entries[i]->key)));
    }
}

void AboutBox::applyCreditSetA() {
    fillSlots({&kCreditSetA[0], &kCreditSetA[1], &kCreditSetA[2], &kCreditSetA[3],
               &kCreditSetA[4]});
}

void AboutBox::applyCreditSetB() {
    fillSlots({&kCreditSetB[0], &kCreditSetB[1], &kCreditSetB[2], &kCreditSetB[3],
               &kCreditSetB[4]});
}

void AboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // On showing: the first two slots from set B, the rest from set A.
    fillSlots({&kCreditSetB[0], &kCreditSetB[1], &kCreditSetA[2], &kCreditSetA[3],
               &kCreditSetA[4]});
    if (const QScreen* shown = screen()) {
        move(shown->geometry().center() - rect().center());
    }
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == link_ && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && link_->rect().contains(mouse->position().toPoint())) {
            openHomePage();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AboutBox::editSettings() {
    orvane::editSettings(this, settings_, settingsFile_, services_);
}

void AboutBox::openHomePage() {
    orvane::openHomePage(services_.programFolder, ORVANE_HOMEPAGE_URL, services_.openWebPage);
}

}  // namespace orvane
