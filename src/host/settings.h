// The settings record, its defaults and ranges, and the loader and writer of TheOrvane.ini.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

class IniFile;

constexpr const char* kSettingsFileName = "TheOrvane.ini";
constexpr const char* kSettingsSection = "Settings";
constexpr const char* kPowerSaveSection = "PowerSave";

struct Settings {
    std::string phoneNumber = "5550690";
    std::string userName = "Kel";
    std::int32_t userMode = 1;
    std::int32_t dateTimeMode = 0;
    bool showIntro = true;
    bool showTitle = true;
    std::int32_t tintR = 80;
    std::int32_t tintG = 248;
    std::int32_t tintB = 7;
    std::int32_t highlightR = 230;
    std::int32_t highlightG = 253;
    std::int32_t highlightB = 157;
    std::int32_t overallSpeed = 2400;
    double densityFraction = 0.4;  // Density / 10
    std::int32_t variance = 130;
    std::int32_t suspendTimeout = 0;  // minutes; 0 or less: never
    bool useEscapeLmbExit = false;

    bool operator==(const Settings&) const = default;
};

// Integer text as the loader reads it: "0x"/"0X" or "$" hexadecimal, an optional sign, the
// whole text being the number within 32 bits; anything else gives nothing.
std::optional<std::int32_t> parseIniInteger(std::string_view text);

// The record filled from the file: defaults first, then each key that reads well, clamped.
Settings loadSettings(const IniFile& file);

// The Density key as written back: DensityFraction x 10, rounded.
std::int32_t densityKey(double densityFraction);

// Writes the 17 keys in the writer's order into the file, keeping its other lines.
void storeSettings(const Settings& settings, IniFile& file);

// Where the settings file is: beside the executable; when that folder holds no settings file
// and cannot be written, or is the bin folder of an installed copy (its desktop entry lies in
// ../share/applications), the per-user folder ($XDG_CONFIG_HOME or ~/.config, "TheOrvane").
std::filesystem::path settingsFilePath(const std::filesystem::path& executableDir);

inline constexpr const char* kInstalledDesktopEntry = "share/applications/theorvane-settings.desktop";

// The same choice from the facts it rests on (configHome: $XDG_CONFIG_HOME, home: $HOME;
// either may be empty).
std::filesystem::path chooseSettingsFile(const std::filesystem::path& executableDir,
                                         bool fileBesideProgram, bool folderWritable,
                                         bool installedCopy, const std::string& configHome,
                                         const std::string& home);

// Where saving the settings read from settingsFile puts them: that same file, except on
// Windows for a file in a folder the settings cannot be kept in (see chooseWindowsSettingsFiles).
std::filesystem::path settingsSaveFile(const std::filesystem::path& settingsFile);

#ifdef _WIN32
// The same choice on Windows, for reading and for saving. A copy in a folder the user can write
// that is neither the system folder nor the Windows folder keeps its file beside itself. Any
// other copy (an installed one lives in the system folder, which only an administrator can
// write) saves into %APPDATA%\TheOrvane\TheOrvane.ini, which from then on is the one read; until
// that file exists, a TheOrvane.ini beside the program (an administrator's, say) is read as the
// starting point. Without a usable appData (empty or relative) the file stays beside the program.
struct WindowsSettingsFiles {
    std::filesystem::path read;
    std::filesystem::path save;
    bool operator==(const WindowsSettingsFiles&) const = default;
};
WindowsSettingsFiles chooseWindowsSettingsFiles(const std::filesystem::path& executableDir,
                                                bool fileBesideProgram, bool perUserFile,
                                                bool folderWritable, bool systemFolder,
                                                const std::filesystem::path& appData);

// Whether two names lead to the same folder as Windows compares them: without regard to case,
// "/" or "\", trailing separators, "." and ".." steps, or short (8.3) names.
bool sameWindowsFolder(const std::filesystem::path& a, const std::filesystem::path& b);
#endif

}  // namespace orvane
