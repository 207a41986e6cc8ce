// What every load of the settings file must give, whatever the file holds.
#pragma once

#include <string_view>

#include "host/ini_file.h"
#include "host/settings.h"

namespace orvane::test {

inline bool inRange(std::int32_t v, std::int32_t low, std::int32_t high) {
    return v >= low && v <= high;
}

// True when the bytes load to values inside their ranges, and the values survive being
// written back and read again (after one write, which makes every value one line).
inline bool settingsLoadSoundly(std::string_view bytes) {
    const IniFile file(bytes);
    const Settings s = loadSettings(file);
    const bool ranges = inRange(s.tintR, 0, 255) && inRange(s.tintG, 0, 255) &&
                        inRange(s.tintB, 0, 255) && inRange(s.highlightR, 0, 255) &&
                        inRange(s.highlightG, 0, 255) && inRange(s.highlightB, 0, 255) &&
                        inRange(s.overallSpeed, 400, 4000) && inRange(s.variance, 0, 200) &&
                        s.densityFraction >= 0.1 && s.densityFraction <= 1.0 &&
                        s.phoneNumber.size() <= IniFile::kMaxValueLength &&
                        s.userName.size() <= IniFile::kMaxValueLength;
    if (!ranges) {
        return false;
    }
    IniFile once = file;
    storeSettings(s, once);
    const Settings written = loadSettings(IniFile(once.text()));
    IniFile twice(once.text());
    storeSettings(written, twice);
    return loadSettings(IniFile(twice.text())) == written;
}

}  // namespace orvane::test
