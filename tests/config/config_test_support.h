// Shared helpers of the configuration tests: a temporary folder, file text, and services
// that never wait for a person.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <QStringList>
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

struct TempFolder {
    QTemporaryDir dir;
    std::filesystem::path path() const { return dir.path().toStdString(); }
    std::filesystem::path file(const char* name) const { return path() / name; }
};

// Services whose dialogs answer at once: the settings dialog is handed to `run`, messages
// are recorded, the picker and the web page opener are recorded too.
struct RecordingServices {
    QStringList messages;
    std::function<int(SettingsDialog&)> run = [](SettingsDialog&) { return 0; };
    std::vector<std::filesystem::path> probedFiles;
    std::vector<std::string> probeContents;
    std::vector<QStringList> startedCommands;
    QStringList openedAddresses;
    QStringList programFound = {"/usr/bin/browser", "--new-window"};

    ConfigServices make(const std::filesystem::path& programFolder) {
        ConfigServices services;
        services.showMessage = [this](QWidget*, const QString&, const QString& text) {
            messages << text;
        };
        services.pickColour = [](QWidget*, const QColor&) { return std::optional<QColor>(); };
        services.runSettingsDialog = [this](SettingsDialog& dialog) { return run(dialog); };
        services.webPages.findProgramFor = [this](const std::filesystem::path& file) {
            probedFiles.push_back(file);
            probeContents.push_back(std::filesystem::exists(file) ? readText(file) : "<none>");
            return programFound;
        };
        services.webPages.start = [this](const QStringList& command, const QString& address) {
            startedCommands.push_back(command);
            openedAddresses << address;
        };
        services.programFolder = programFolder;
        return services;
    }
};

}  // namespace orvane::test
