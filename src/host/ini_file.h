// An INI file with the platform's profile-file behaviour: section and key names match
// without regard to case or surrounding blanks, the first of repeated keys wins, lines
// without "=" and comment lines are ignored, LF or CRLF line ends, a UTF-8 byte-order mark is
// skipped. Writing a key keeps every other line of the file as it was.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

class IniFile {
public:
    static constexpr std::size_t kMaxValueLength = 2047;
    static constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;

    IniFile() = default;
    explicit IniFile(std::string_view text);

    // Reads the file; a missing, unreadable or oversized file gives an empty one.
    static IniFile load(const std::filesystem::path& path);

    // The value as stored (blanks around it removed, cut to kMaxValueLength), or nothing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;

    // Sets the key, adding the section or key at the end where missing.
    void writeString(std::string_view section, std::string_view key, std::string_view value);

    std::string text() const;  // the whole file with every line end as it came in

private:
    struct Line {
        std::string text;
        std::string ending;  // "\n", "\r\n" or "" for a last line without one
    };
    std::vector<Line> lines_;
    bool byteOrderMark_ = false;
};

// Writes text to the file through a temporary file in the same folder renamed over it, so a
// failed save leaves the old file whole. Returns an empty string on success, else the reason.
// On Windows a missing last folder is made first (the per-user settings folder).
std::string saveFileAtomically(const std::filesystem::path& path, std::string_view text);

}  // namespace orvane
