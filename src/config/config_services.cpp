#include "config/config_services.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QMessageBox>

#include "config/settings_dialog.h"

namespace orvane {

ConfigServices desktopConfigServices() {
    ConfigServices services;
    services.showMessage = [](QWidget* parent, const QString& title, const QString& text) {
        QMessageBox::warning(parent, title, text);
    };
    services.pickColour = [](QWidget* parent, const QColor& initial) -> std::optional<QColor> {
        const QColor picked = QColorDialog::getColor(initial, parent);
        if (!picked.isValid()) {
            return std::nullopt;
        }
        return picked;
    };
    services.runSettingsDialog = [](SettingsDialog& dialog) { return dialog.exec(); };
    services.openWebPage = openInWebBrowser;
    services.programFolder = QCoreApplication::applicationDirPath().toStdString();
    return services;
}

}  // namespace orvane
