// The settings dialog's values as plain data, and everything that decides them: the mapping
// from the settings record into the controls and back, what "&Defaults" puts in, the
// typing limits, the check of "Suspend After", and saving the record into the settings file.
// Each front end (Qt, Win32) only puts these values on its own controls.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "host/settings.h"
#include "show/colour.h"

namespace orvane {

inline constexpr const char* kSettingsCaption = "The Orvane Settings";
constexpr int kPhoneMaxLength = 20;
constexpr int kNameMaxLength = 25;
// The edits' texts in a new dialog and after "&Defaults".
inline constexpr const char* kDefaultPhoneNumber = "5550690";
inline constexpr const char* kDefaultUserName = "Kel";
inline constexpr const char* kDefaultSuspend = "0";

// Track bar ranges: speed and variability 0..10, density 1..10.
constexpr int kTrackMin = 0;
constexpr int kTrackMax = 10;
constexpr int kDensityMin = 1;

// The three ways of naming the user, in the order of their radio buttons.
enum class NameChoice { Fixed = 0, LoggedOn = 1, Specified = 2 };

struct SettingsControls {
    bool showTitle = true;
    bool showIntro = true;
    bool currentDateTime = false;  // "Current date/time" rather than the movie's
    std::string phoneNumber;
    NameChoice nameChoice = NameChoice::LoggedOn;
    std::string userName;
    std::array<int, 3> tint{};       // red, green, blue
    std::array<int, 3> highlight{};  // red, green, blue
    int speedPosition = 0;
    int variancePosition = 0;
    int densityPosition = kDensityMin;
    std::string suspendText;
    bool escapeExit = false;

    bool operator==(const SettingsControls&) const = default;
};

SettingsControls controlsFrom(const Settings& settings);
// The record with the controls' values copied in, or nothing when "Suspend After" does not
// hold a whole number of minutes.
std::optional<Settings> settingsFrom(const SettingsControls& controls, const Settings& current);
// What "&Defaults" puts into the controls (speed and variability differ from the loader's).
SettingsControls defaultControls();

// A whole number of minutes as typed: an optional minus sign and digits, within 32 bits.
std::optional<std::int32_t> parseMinutes(std::string_view text);
// What typing may leave in "Suspend After": a minus sign first, if any, and digits; the range
// and a lone "-" are refused only by "&Ok".
bool typedMinutesAllowed(std::string_view text);
// Said when "&Ok" is refused because of "Suspend After".
std::string suspendRefusalText();

// A colour swatch's colour: red + 256 * green + 65536 * blue, each channel's low 8 bits.
Colour swatchColour(const std::array<int, 3>& channels);

// Writes the record's 17 keys into the file, keeping every other line of it, through a
// temporary file moved over the old one; makes the file's folder when missing. Where the file
// cannot be kept (settingsSaveFile), the keys and its other lines go to the per-user file.
// Returns an empty text or the reason it failed.
std::string saveSettings(const Settings& settings, const std::filesystem::path& settingsFile);
// The message shown when a save failed, naming the file the save went to.
std::string saveFailureText(const std::filesystem::path& settingsFile, const std::string& reason);

}  // namespace orvane
