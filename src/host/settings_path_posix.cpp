// Where the settings file of this copy lives, on POSIX systems.
#include <cstdlib>
#include <system_error>

#include <unistd.h>

#include "host/settings.h"

namespace orvane {

std::filesystem::path settingsFilePath(const std::filesystem::path& executableDir) {
    std::error_code error;
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    return chooseSettingsFile(executableDir,
                              std::filesystem::exists(executableDir / kSettingsFileName, error),
                              ::access(executableDir.c_str(), W_OK) == 0,
                              std::filesystem::exists(executableDir.parent_path() / kInstalledDesktopEntry, error),
                              configHome != nullptr ? configHome : "",
                              home != nullptr ? home : "");
}

// A file chosen here is saved where it was read: one the user cannot write gives a clear
// message rather than a second copy of the settings elsewhere.
std::filesystem::path settingsSaveFile(const std::filesystem::path& settingsFile) {
    return settingsFile;
}

}  // namespace orvane
