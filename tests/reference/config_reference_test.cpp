// The configuration windows of the Qt build against their reference pictures, at 96 dpi on the
// offscreen platform: the About box as it opens and with each credit set, and the settings
// dialog's three pages with fixed settings, the sliders' page also at both ends of its ranges.
#include <QApplication>
#include <QScreen>
#include <QStyleHints>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include "config/about_box.h"
#include "config/settings_dialog.h"
#include "config/settings_form.h"
#include "platform/qt/image_canvas.h"
#include "reference/config_reference_settings.h"
#include "reference/reference_check.h"
#include "../config/config_test_support.h"

namespace orvane::reference {
namespace {

PixelPicture pictureOf(QWidget& window) {
    QApplication::processEvents();  // posted layout and polish events; the timers are stopped
    return fromQImage(window.grab().toImage());
}

TEST(ConfigReference, WindowsLookLikeTheirReferencePictures) {
    ASSERT_EQ(QApplication::primaryScreen()->logicalDotsPerInchY(), 96);
    // A text cursor that blinks would show or not by the wall clock: it stays on.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
    ReferenceRun references("dialogs-96dpi", referencePaths("config"));
    const auto check = [&](const char* moment, const char* window, QWidget& widget,
                           bool keyPicture) {
        return references.check(moment, window, window, pictureOf(widget), keyPicture);
    };

    test::TempFolder folder;
    test::RecordingServices recorder;
    Settings settings = fixedSettings();
    {
        AboutBox about(settings, folder.file("TheOrvane.ini"), recorder.make(folder.path()));
        for (QTimer* timer : about.findChildren<QTimer*>()) timer->stop();
        about.show();
        for (QTimer* timer : about.findChildren<QTimer*>()) timer->stop();
        check("shown", "about", about, true);
        // Both credit sets carry the same texts: their pictures are digests only.
        about.applyCreditSetA();
        check("credits-a", "about", about, false);
        about.applyCreditSetB();
        check("credits-b", "about", about, false);
    }

    SettingsDialog dialog(recorder.make(folder.path()).pickColour,
                          recorder.make(folder.path()).showMessage);
    dialog.setValues(settings);
    dialog.show();
    auto* pages = dialog.findChild<QTabWidget*>("pages");
    ASSERT_NE(pages, nullptr);
    ASSERT_EQ(pages->count(), 3);
    const char* pageNames[] = {"page1-intro", "page2-code", "page3-power-save"};
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        check(pageNames[page], "settings", dialog, true);
    }
    // The sliders at both ends of their ranges (and the other controls with them).
    pages->setCurrentIndex(1);
    dialog.setValues(lowestSettings());
    check("page2-code-lowest", "settings", dialog, true);
    dialog.setValues(highestSettings());
    check("page2-code-highest", "settings", dialog, true);

    EXPECT_TRUE(references.finish()) << references.failure();
}

}  // namespace
}  // namespace orvane::reference

// The fonts fontconfig prefers follow the locale's language (a Japanese locale picks a Japanese
// face for the dialogs' text): the pictures are taken in the C locale whatever the user's.
int main(int argc, char** argv) {
    qputenv("LC_ALL", "C.UTF-8");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
