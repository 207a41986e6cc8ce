// Every control of the settings dialog driven over its range from the keyboard, then "&Ok":
// what reaches TheOrvane.ini. One table for both front ends; each test gives the controls'
// names meaning (a Qt widget's object name, a Win32 control id) and sends the keys as its
// platform delivers them.
//
// Each row starts from the dialog filled with the loader's defaults (speed 2400 opens on
// position 4, variability 130 on 6, density 4 on 4, "Use computer user name", "Date/Time from
// movie", both intro boxes ticked, "Suspend After" 0, Escape/LMB exit off), puts the focus on
// the control, sends the keys, then presses "&Ok" (and "&Cancel" when "&Ok" is refused).
#pragma once

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::test {

enum class Page { Intro = 0, Code = 1, PowerSave = 2 };

// Keys, separated by blanks: Home End PgUp PgDn Left Right Up Down Space BkSp, or "type:"
// followed by the rest of the row's keys as characters typed one by one.
struct ControlKeysRow {
    const char* control;
    Page page;
    const char* keys;
    const char* key;     // the INI key that shows the result
    const char* stored;  // its value in the file, or kNotSaved: "&Ok" refused, no file written
    // Where the Win32 track bar's own key convention differs from Qt's slider: Page Up, Up and
    // Left move a track bar towards its minimum, Page Down, Down and Right towards its maximum;
    // a Qt slider takes Up and Page Up towards its maximum.
    const char* storedWin32 = nullptr;
};

inline constexpr const char* kNotSaved = "(not saved)";

// OverallSpeed = 4000 - 400 x position, Variance = 20 x position, Density = position.
inline const std::vector<ControlKeysRow> kControlKeysRows = {
    {"speedSlider", Page::Code, "", "OverallSpeed", "2400"},         // position 4
    {"speedSlider", Page::Code, "Home", "OverallSpeed", "4000"},     // position 0
    {"speedSlider", Page::Code, "Home Left", "OverallSpeed", "4000"},
    {"speedSlider", Page::Code, "End", "OverallSpeed", "0"},         // position 10
    {"speedSlider", Page::Code, "End Right", "OverallSpeed", "0"},
    {"speedSlider", Page::Code, "Right", "OverallSpeed", "2000"},    // position 5
    {"speedSlider", Page::Code, "PgUp", "OverallSpeed", "2000", "2800"},
    {"speedSlider", Page::Code, "PgDn PgDn", "OverallSpeed", "3200", "1600"},
    {"varianceSlider", Page::Code, "", "Variance", "120"},           // 130 / 20 -> position 6
    {"varianceSlider", Page::Code, "Home", "Variance", "0"},
    {"varianceSlider", Page::Code, "Home Left PgDn", "Variance", "0", "20"},
    {"varianceSlider", Page::Code, "End", "Variance", "200"},
    {"varianceSlider", Page::Code, "End Up", "Variance", "200", "180"},
    {"varianceSlider", Page::Code, "Left", "Variance", "100"},
    {"densitySlider", Page::Code, "", "Density", "4"},
    {"densitySlider", Page::Code, "Home", "Density", "1"},
    {"densitySlider", Page::Code, "Home Left Down", "Density", "1", "2"},
    {"densitySlider", Page::Code, "End", "Density", "10"},
    {"densitySlider", Page::Code, "End Right PgUp", "Density", "10", "9"},
    {"densitySlider", Page::Code, "Home Right Right", "Density", "3"},

    // At most 20 characters, any of them: the number is not checked.
    {"phoneEdit", Page::Intro, "End type:0123456789 0123456789", "PhoneNumber",
     "55506900123456789 01"},
    {"phoneEdit", Page::Intro, "End type: (x)+#", "PhoneNumber", "5550690 (x)+#"},
    {"phoneEdit", Page::Intro, "End BkSp BkSp BkSp BkSp BkSp BkSp BkSp", "PhoneNumber", ""},
    // At most 25 characters, any of them.
    {"nameEdit", Page::Intro, "End type:abcdefghijklmnopqrstuvwxyz", "UserName",
     "Kelabcdefghijklmnopqrstuv"},
    {"nameEdit", Page::Intro, "End type: Zoë-Ann", "UserName", "Kel Zoë-Ann"},
    // No length limit; only a whole number of minutes is taken.
    {"suspendEdit", Page::PowerSave, "End type:5", "SuspendTimeout", "5"},  // "05"
    {"suspendEdit", Page::PowerSave, "End BkSp type:-15", "SuspendTimeout", "-15"},
    {"suspendEdit", Page::PowerSave, "End BkSp type:-2147483648", "SuspendTimeout",
     "-2147483648"},
    {"suspendEdit", Page::PowerSave, "End BkSp type:2147483648", "SuspendTimeout", kNotSaved},
    {"suspendEdit", Page::PowerSave, "End BkSp", "SuspendTimeout", kNotSaved},
    // Only a minus sign and digits can be typed.
    {"suspendEdit", Page::PowerSave, "End BkSp type:1x2 -5", "SuspendTimeout", "125"},

    // Arrow keys move the check within a group of radio buttons.
    {"loginNameRadio", Page::Intro, "", "UserMode", "1"},
    {"loginNameRadio", Page::Intro, "Down", "UserMode", "2"},
    {"loginNameRadio", Page::Intro, "Up", "UserMode", "0"},
    {"loginNameRadio", Page::Intro, "Up Down", "UserMode", "1"},
    {"movieDateRadio", Page::Intro, "", "DateTimeMode", "0"},
    {"movieDateRadio", Page::Intro, "Down", "DateTimeMode", "1"},
    {"movieDateRadio", Page::Intro, "Down Up", "DateTimeMode", "0"},

    {"showTitleCheck", Page::Intro, "Space", "ShowTitle", "0"},
    {"showTitleCheck", Page::Intro, "Space Space", "ShowTitle", "1"},
    {"showIntroCheck", Page::Intro, "Space", "ShowIntro", "0"},
    {"escapeExitCheck", Page::PowerSave, "", "UseEscapeLMBExit", "0"},
    {"escapeExitCheck", Page::PowerSave, "Space", "UseEscapeLMBExit", "1"},

    // "&Defaults" from the keyboard: its own speed and variability, not the loader's.
    {"defaultsButton", Page::Intro, "Space", "OverallSpeed", "1200"},
    {"defaultsButton", Page::Intro, "Space", "Variance", "100"},
};

// The whole file written by "&Ok" on an untouched dialog, as "section/key=value" in the
// order of the lines: every key on every save, each in its section.
inline const std::vector<std::string> kUntouchedSave = {
    "Settings/PhoneNumber=5550690", "Settings/UserName=Kel", "Settings/UserMode=1",
    "Settings/ShowIntro=1",         "Settings/ShowTitle=1",  "Settings/DateTimeMode=0",
    "Settings/TintR=80",            "Settings/TintG=248",    "Settings/TintB=7",
    "Settings/HighlightR=230",      "Settings/HighlightG=253", "Settings/HighlightB=157",
    "Settings/OverallSpeed=2400",   "Settings/Density=4",    "Settings/Variance=120",
    "PowerSave/SuspendTimeout=0",   "PowerSave/UseEscapeLMBExit=0",
};

// A file's keys as "section/key=value", in the order of its lines.
inline std::vector<std::string> savedKeys(std::string_view text) {
    std::vector<std::string> keys;
    std::string section;
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() > 1 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
        } else if (line.find('=') != std::string::npos) {
            keys.push_back(section + "/" + line);
        }
    }
    return keys;
}

// The row's keys one by one; the text after "type:" as a single entry (with its prefix).
inline std::vector<std::string> keysOf(const ControlKeysRow& row) {
    std::vector<std::string> keys;
    std::string_view rest = row.keys;
    while (!rest.empty()) {
        if (rest.substr(0, 5) == "type:") {
            keys.emplace_back(rest);
            break;
        }
        const std::size_t end = rest.find(' ');
        keys.emplace_back(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return keys;
}

// The section a key is written to.
inline const char* sectionOf(std::string_view key) {
    return key == "SuspendTimeout" || key == "UseEscapeLMBExit" ? "PowerSave" : "Settings";
}

inline std::string describe(const ControlKeysRow& row) {
    return std::string(row.control) + " [" + row.keys + "] -> " + row.key;
}

}  // namespace orvane::test
