// Shared helpers of the configuration tests: a temporary folder, file text, and services
// that never wait for a person.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTabBar>
#include <QTemporaryDir>

#include "config/config_services.h"
#include "config/settings_dialog.h"

namespace orvane::test {

inline std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Every text a window carries, each as "kind: text", sorted: its title, and the texts of its
// labels, buttons, group boxes and tabs, except those of the widgets named in `skip`.
inline std::vector<std::string> windowTexts(const QWidget& window, const QStringList& skip = {}) {
    std::vector<std::string> texts{"title: " + window.windowTitle().toStdString()};
    const auto add = [&texts](const char* kind, const QString& text) {
        if (!text.isEmpty()) {
            texts.push_back(kind + (": " + text.toStdString()));
        }
    };
    for (const QWidget* child : window.findChildren<QWidget*>()) {
        if (skip.contains(child->objectName())) {
            continue;
        }
        if (const auto* label = qobject_cast<const QLabel*>(child)) {
            add("label", label->text());
        } else if (const auto* radio = qobject_cast<const QRadioButton*>(child)) {
            add("radio", radio->text());
        } else if (const auto* check = qobject_cast<const QCheckBox*>(child)) {
            add("check", check->text());
        } else if (const auto* button = qobject_cast<const QPushButton*>(child)) {
            add("button", button->text());
        } else if (const auto* group = qobject_cast<const QGroupBox*>(child)) {
            add("group", group->title());
        } else if (const auto* tabs = qobject_cast<const QTabBar*>(child)) {
            for (int i = 0; i < tabs->count(); ++i) {
                add("tab", tabs->tabText(i));
            }
        }
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

struct TempFolder {
    QTemporaryDir dir;
    std::filesystem::path path() const { return dir.path().toStdString(); }
    std::filesystem::path file(const char* name) const { return path() / name; }
};

// Services whose dialogs answer at once: the settings dialog is handed to `run`, messages
// are recorded, the picker is cancelled, opened web addresses are recorded.
struct RecordingServices {
    QStringList messages;
    std::function<int(SettingsDialog&)> run = [](SettingsDialog&) { return 0; };
    QStringList openedAddresses;
    std::vector<bool> probeAtOpen;  // whether a TheOrvane.htm stood in the folder at that moment

    ConfigServices make(const std::filesystem::path& programFolder) {
        ConfigServices services;
        services.showMessage = [this](QWidget*, const QString&, const QString& text) {
            messages << text;
        };
        services.pickColour = [](QWidget*, const QColor&) { return std::optional<QColor>(); };
        services.runSettingsDialog = [this](SettingsDialog& dialog) { return run(dialog); };
        services.openWebPage = [this, programFolder](const QString& address) {
            probeAtOpen.push_back(std::filesystem::exists(programFolder / "TheOrvane.htm"));
            openedAddresses << address;
        };
        services.programFolder = programFolder;
        return services;
    }
};

}  // namespace orvane::test
