#include "config/settings_form.h"

#include <charconv>
#include <fstream>
#include <limits>
#include <system_error>

#include "host/ini_file.h"

namespace orvane {

namespace {

// The scroll speed runs from 4000 at position 0 down in steps of 400.
constexpr int kSlowestSpeed = 4000;
constexpr int kSpeedStep = 400;
constexpr int kVarianceStep = 20;
constexpr int kDensitySteps = 10;  // positions per whole DensityFraction
constexpr int kChannelMask = 0xFF;

constexpr int kDefaultSpeedPosition = 7;     // OverallSpeed 1200
constexpr int kDefaultVariancePosition = 5;  // Variance 100
constexpr int kDefaultDensityPosition = 4;   // DensityFraction 0.4
constexpr std::array<int, 3> kDefaultTint = {80, 248, 7};
constexpr std::array<int, 3> kDefaultHighlight = {230, 253, 157};

NameChoice nameChoiceOf(int userMode) {
    if (userMode == static_cast<int>(NameChoice::Fixed)) {
        return NameChoice::Fixed;
    }
    return userMode == static_cast<int>(NameChoice::LoggedOn) ? NameChoice::LoggedOn
                                                              : NameChoice::Specified;
}

}  // namespace

SettingsControls controlsFrom(const Settings& s) {
    SettingsControls c;
    c.showTitle = s.showTitle;
    c.showIntro = s.showIntro;
    c.phoneNumber = s.phoneNumber;
    c.userName = s.userName;
    c.nameChoice = nameChoiceOf(s.userMode);
    c.currentDateTime = s.dateTimeMode != 0;
    c.tint = {s.tintR, s.tintG, s.tintB};
    c.highlight = {s.highlightR, s.highlightG, s.highlightB};
    c.speedPosition = (kSlowestSpeed - s.overallSpeed) / kSpeedStep;
    c.variancePosition = s.variance / kVarianceStep;
    c.densityPosition = densityKey(s.densityFraction);
    c.suspendText = std::to_string(s.suspendTimeout);
    c.escapeExit = s.useEscapeLmbExit;
    return c;
}

std::optional<Settings> settingsFrom(const SettingsControls& c, const Settings& current) {
    const std::optional<std::int32_t> suspend = parseMinutes(c.suspendText);
    if (!suspend) {
        return std::nullopt;
    }
    Settings s = current;
    s.showTitle = c.showTitle;
    s.showIntro = c.showIntro;
    s.phoneNumber = c.phoneNumber;
    s.userMode = static_cast<int>(c.nameChoice);
    s.dateTimeMode = c.currentDateTime ? 1 : 0;
    s.userName = c.userName;
    s.tintR = c.tint[0];
    s.tintG = c.tint[1];
    s.tintB = c.tint[2];
    s.highlightR = c.highlight[0];
    s.highlightG = c.highlight[1];
    s.highlightB = c.highlight[2];
    s.overallSpeed = kSlowestSpeed - kSpeedStep * c.speedPosition;
    s.densityFraction = c.densityPosition / static_cast<double>(kDensitySteps);
    s.variance = kVarianceStep * c.variancePosition;
    s.suspendTimeout = *suspend;
    s.useEscapeLmbExit = c.escapeExit;
    return s;
}

SettingsControls defaultControls() {
    SettingsControls c;
    c.showTitle = true;
    c.showIntro = true;
    c.phoneNumber = kDefaultPhoneNumber;
    c.nameChoice = NameChoice::LoggedOn;
    c.currentDateTime = false;
    c.userName = kDefaultUserName;
    c.speedPosition = kDefaultSpeedPosition;
    c.variancePosition = kDefaultVariancePosition;
    c.densityPosition = kDefaultDensityPosition;
    c.tint = kDefaultTint;
    c.highlight = kDefaultHighlight;
    c.suspendText = kDefaultSuspend;
    c.escapeExit = false;
    return c;
}

std::optional<std::int32_t> parseMinutes(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

bool typedMinutesAllowed(std::string_view text) {
    const std::string_view digits = !text.empty() && text.front() == '-' ? text.substr(1) : text;
    return digits.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string suspendRefusalText() {
    return "\"Suspend After\" needs a whole number of minutes, from " +
           std::to_string(std::numeric_limits<std::int32_t>::min()) + " to " +
           std::to_string(std::numeric_limits<std::int32_t>::max()) + ".";
}

Colour swatchColour(const std::array<int, 3>& channels) {
    return rgb(channels[0] & kChannelMask, channels[1] & kChannelMask, channels[2] & kChannelMask);
}

std::string saveSettings(const Settings& settings, const std::filesystem::path& settingsFile) {
    std::error_code error;
    // A copy whose folder cannot keep its settings (on Windows, the system folder) saves them
    // where they will be read from then on, starting from the file it read, or from that
    // per-user file itself once there is one.
    const std::filesystem::path target = settingsSaveFile(settingsFile);
    const std::filesystem::path source =
        std::filesystem::exists(target, error) ? target : settingsFile;
    const std::filesystem::path folder = target.parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
        std::filesystem::create_directories(folder, error);
        if (error) {
            return error.message();
        }
    }
    // An existing file we cannot read would be replaced by the 17 keys alone; refuse instead.
    if (std::filesystem::exists(source, error) && !std::ifstream(source)) {
        return "the existing file cannot be read";
    }
    IniFile file = IniFile::load(source);
    if (file.cutShort()) {  // the part past the limit would be lost
        return "the existing file is larger than 16 MiB";
    }
    storeSettings(settings, file);
    return saveFileAtomically(target, file.text());
}

std::string saveFailureText(const std::filesystem::path& settingsFile, const std::string& reason) {
    // UTF-8 whatever the system's narrow code page (a path need not fit in it).
    const std::u8string path = settingsSaveFile(settingsFile).u8string();
    return "The settings could not be saved to\n" + std::string(path.begin(), path.end()) + "\n\n" +
           reason + ".";
}

}  // namespace orvane
