// Saves pictures of the About box and of the settings dialog's three pages as PNG files, for
// checking the layout by eye. Usage: config_snapshots [OUTPUT_FOLDER] (default /tmp).
#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QElapsedTimer>

#include <iostream>

#include "config/about_box.h"
#include "config/config_services.h"
#include "config/settings_dialog.h"

namespace {

constexpr int kSettleMs = 100;

bool save(QWidget& widget, const QString& path) {
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < kSettleMs) {
        QApplication::processEvents(QEventLoop::AllEvents, kSettleMs);
    }
    const bool saved = widget.grab().save(path);
    std::cout << (saved ? "wrote " : "could not write ") << path.toStdString() << "\n";
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    QDir().mkpath(folder);

    orvane::Settings settings;
    orvane::ConfigServices services = orvane::desktopConfigServices();
    bool ok = true;

    orvane::AboutBox about(settings, QDir(folder).filePath("TheOrvane.ini").toStdString(),
                           services);
    about.show();
    ok &= save(about, QDir(folder).filePath("about_box.png"));
    about.hide();

    orvane::SettingsDialog dialog(services.pickColour, services.showMessage);
    dialog.setValues(settings);
    dialog.show();
    auto* pages = dialog.findChild<QTabWidget*>("pages");
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        ok &= save(dialog, QDir(folder).filePath(QString("settings_page%1.png").arg(page + 1)));
    }
    return ok ? 0 : 1;
}
