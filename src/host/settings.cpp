#include "host/settings.h"

#include <cmath>
#include <cstdlib>
#include <system_error>

#include "host/ini_file.h"

namespace orvane {

namespace {

constexpr std::int32_t kMinColour = 0;
constexpr std::int32_t kMaxColour = 255;
constexpr std::int32_t kMinOverallSpeed = 400;
constexpr std::int32_t kMaxOverallSpeed = 4000;
constexpr std::int32_t kMinDensity = 1;
constexpr std::int32_t kMaxDensity = 10;
constexpr std::int32_t kMinVariance = 0;
constexpr std::int32_t kMaxVariance = 200;
constexpr const char* kUserConfigFolder = "TheOrvane";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hexadecimal digits as a 32-bit pattern (so "FFFFFFFF" is -1), nothing past 32 bits.
std::optional<std::uint32_t> parseHex(std::string_view digits) {
    if (digits.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (char c : digits) {
        const int d = hexDigit(c);
        if (d < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<std::uint64_t>(d);
        if (value > 0xFFFFFFFFull) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint32_t>(value);
}

std::int32_t clamp(std::int32_t value, std::int32_t low, std::int32_t high) {
    if (value < low) value = low;
    if (value > high) value = high;
    return value;
}

class Reader {
public:
    explicit Reader(const IniFile& file) : file_(file) {}

    std::string string(const char* section, const char* key, const std::string& fallback) const {
        return file_.readString(section, key, fallback);
    }
    std::int32_t integer(const char* section, const char* key, std::int32_t fallback) const {
        return parseIniInteger(file_.readString(section, key, "")).value_or(fallback);
    }
    bool boolean(const char* section, const char* key, bool fallback) const {
        return integer(section, key, fallback ? 1 : 0) != 0;
    }

private:
    const IniFile& file_;
};

}  // namespace

std::optional<std::int32_t> parseIniInteger(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        if (auto value = parseHex(text.substr(2))) {
            return static_cast<std::int32_t>(*value);
        }
        return std::nullopt;
    }
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    std::int64_t magnitude = 0;
    if (!text.empty() && text[0] == '$') {
        const auto value = parseHex(text.substr(1));
        if (!value) {
            return std::nullopt;
        }
        const auto pattern = static_cast<std::int32_t>(*value);
        return negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(pattern))
                        : pattern;
    }
    if (text.empty()) {
        return std::nullopt;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > 2147483648LL) {
            return std::nullopt;
        }
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > 2147483647LL) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

Settings loadSettings(const IniFile& file) {
    Settings s;  // every value at its default before the file is touched
    const Reader read(file);
    s.phoneNumber = read.string(kSettingsSection, "PhoneNumber", s.phoneNumber);
    s.userName = read.string(kSettingsSection, "UserName", s.userName);
    s.userMode = read.integer(kSettingsSection, "UserMode", s.userMode);
    s.dateTimeMode = read.integer(kSettingsSection, "DateTimeMode", s.dateTimeMode);
    s.showIntro = read.boolean(kSettingsSection, "ShowIntro", s.showIntro);
    s.showTitle = read.boolean(kSettingsSection, "ShowTitle", s.showTitle);
    s.tintR = clamp(read.integer(kSettingsSection, "TintR", s.tintR), kMinColour, kMaxColour);
    s.tintG = clamp(read.integer(kSettingsSection, "TintG", s.tintG), kMinColour, kMaxColour);
    s.tintB = clamp(read.integer(kSettingsSection, "TintB", s.tintB), kMinColour, kMaxColour);
    s.highlightR =
        clamp(read.integer(kSettingsSection, "HighlightR", s.highlightR), kMinColour, kMaxColour);
    s.highlightG =
        clamp(read.integer(kSettingsSection, "HighlightG", s.highlightG), kMinColour, kMaxColour);
    s.highlightB =
        clamp(read.integer(kSettingsSection, "HighlightB", s.highlightB), kMinColour, kMaxColour);
    s.overallSpeed = clamp(read.integer(kSettingsSection, "OverallSpeed", s.overallSpeed),
                           kMinOverallSpeed, kMaxOverallSpeed);
    const std::int32_t density =
        clamp(read.integer(kSettingsSection, "Density", 4), kMinDensity, kMaxDensity);
    s.densityFraction = density / 10.0;
    s.variance =
        clamp(read.integer(kSettingsSection, "Variance", s.variance), kMinVariance, kMaxVariance);
    s.suspendTimeout = read.integer(kPowerSaveSection, "SuspendTimeout", s.suspendTimeout);
    s.useEscapeLmbExit = read.boolean(kPowerSaveSection, "UseEscapeLMBExit", s.useEscapeLmbExit);
    return s;
}

std::int32_t densityKey(double densityFraction) {
    return static_cast<std::int32_t>(std::lround(densityFraction * 10));
}

void storeSettings(const Settings& s, IniFile& file) {
    const auto integer = [&](const char* section, const char* key, std::int32_t value) {
        file.writeString(section, key, std::to_string(value));
    };
    const auto boolean = [&](const char* section, const char* key, bool value) {
        file.writeString(section, key, value ? "1" : "0");
    };
    file.writeString(kSettingsSection, "PhoneNumber", s.phoneNumber);
    file.writeString(kSettingsSection, "UserName", s.userName);
    integer(kSettingsSection, "UserMode", s.userMode);
    boolean(kSettingsSection, "ShowIntro", s.showIntro);
    boolean(kSettingsSection, "ShowTitle", s.showTitle);
    integer(kSettingsSection, "DateTimeMode", s.dateTimeMode);
    integer(kSettingsSection, "TintR", s.tintR);
    integer(kSettingsSection, "TintG", s.tintG);
    integer(kSettingsSection, "TintB", s.tintB);
    integer(kSettingsSection, "HighlightR", s.highlightR);
    integer(kSettingsSection, "HighlightG", s.highlightG);
    integer(kSettingsSection, "HighlightB", s.highlightB);
    integer(kSettingsSection, "OverallSpeed", s.overallSpeed);
    integer(kSettingsSection, "Density", densityKey(s.densityFraction));
    integer(kSettingsSection, "Variance", s.variance);
    integer(kPowerSaveSection, "SuspendTimeout", s.suspendTimeout);
    boolean(kPowerSaveSection, "UseEscapeLMBExit", s.useEscapeLmbExit);
}

std::filesystem::path chooseSettingsFile(const std::filesystem::path& executableDir,
                                         bool fileBesideProgram, bool folderWritable,
                                         bool installedCopy, const std::string& configHome,
                                         const std::string& home) {
    const std::filesystem::path besideProgram = executableDir / kSettingsFileName;
    if (fileBesideProgram || (folderWritable && !installedCopy)) {
        return besideProgram;
    }
    // An installed copy: keep the settings in the user's own configuration folder.
    std::filesystem::path base;
    if (!configHome.empty() && configHome.front() == '/') {
        base = configHome;
    } else if (!home.empty()) {
        base = std::filesystem::path(home) / ".config";
    } else {
        return besideProgram;
    }
    return base / kUserConfigFolder / kSettingsFileName;
}

}  // namespace orvane
