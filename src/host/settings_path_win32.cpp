// Where the settings file of this copy lives, on Windows: beside the program.
#include "host/settings.h"

namespace orvane {

std::filesystem::path settingsFilePath(const std::filesystem::path& executableDir) {
    return executableDir / kSettingsFileName;
}

}  // namespace orvane
