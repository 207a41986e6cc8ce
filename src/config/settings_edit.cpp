#include "config/settings_edit.h"

#include "config/settings_dialog.h"
#include "config/settings_form.h"

namespace orvane {

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
    const std::string failure = saveSettings(settings, settingsFile);
    if (!failure.empty()) {
        services.showMessage(parent, kSettingsCaption,
                             QString::fromStdString(saveFailureText(settingsFile, failure)));
        return false;
    }
    return true;
}

}  // namespace orvane
