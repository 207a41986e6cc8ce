#include "config/settings_edit.h"

#include <fstream>
#include <system_error>

#include "config/settings_dialog.h"
#include "host/ini_file.h"

namespace orvane {

namespace {

constexpr const char* kSaveFailedTitle = "The Orvane Settings";

}  // namespace

QString saveSettings(const Settings& settings, const std::filesystem::path& settingsFile) {
    std::error_code error;
    const std::filesystem::path folder = settingsFile.parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
        std::filesystem::create_directories(folder, error);
        if (error) {
            return QString::fromStdString(error.message());
        }
    }
    // An existing file we cannot read would be replaced by the 17 keys alone; refuse instead.
    if (std::filesystem::exists(settingsFile, error) && !std::ifstream(settingsFile)) {
        return "the existing file cannot be read";
    }
    IniFile file = IniFile::load(settingsFile);
    storeSettings(settings, file);
    return QString::fromStdString(saveFileAtomically(settingsFile, file.text()));
}

bool editSettings(QWidget* parent, Settings& settings, const std::filesystem::path& settingsFile,
                  const ConfigServices& services) {
    SettingsDialog dialog(services.pickColour, services.showMessage, parent);
    dialog.setValues(settings);
    if (services.runSettingsDialog(dialog) != QDialog::Accepted) {
        return false;
    }
    // "&Ok" is refused while a value cannot be taken, so this copies all or nothing.
    const std::optional<Settings> edited = dialog.values(settings);
    if (!edited) {
        return false;
    }
    settings = *edited;
    const QString failure = saveSettings(settings, settingsFile);
    if (!failure.isEmpty()) {
        services.showMessage(parent, kSaveFailedTitle,
                             QString("The settings could not be saved to\n%1\n\n%2.")
                                 .arg(QString::fromStdString(settingsFile.string()), failure));
        return false;
    }
    return true;
}

}  // namespace orvane
