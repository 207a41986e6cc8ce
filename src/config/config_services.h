// What the configuration windows need from the desktop, gathered so that tests can stand in
// for every part that would wait for a person or reach outside the program.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include <QColor>
#include <QString>

#include "config/home_page_link.h"

class QWidget;

namespace orvane {

class SettingsDialog;

struct ConfigServices {
    // Tells the user about a failure (a warning box on the desktop).
    std::function<void(QWidget* parent, const QString& title, const QString& text)> showMessage;
    // Lets the user pick a colour; nothing when the picker is cancelled.
    std::function<std::optional<QColor>(QWidget* parent, const QColor& initial)> pickColour;
    // Runs the settings dialog modally and returns its result code.
    std::function<int(SettingsDialog& dialog)> runSettingsDialog;
    // Opens a web address in the user's web browser.
    WebPageOpener openWebPage;
    std::filesystem::path programFolder;  // where the link makes and removes TheOrvane.htm
};

// The real desktop: message boxes, the colour picker, modal loops, the web address handler.
ConfigServices desktopConfigServices();

}  // namespace orvane
