// An INI file with the platform's profile-file behaviour: section and key names match
// without regard to case or surrounding blanks, the first of repeated keys wins, lines
// without "=" and comment lines are ignored, LF or CRLF line ends. Writing a key keeps every
// other line of the file as it was.
//
// The file may be kept in any of the encodings Windows editors write: UTF-8 with or without a
// byte-order mark, UTF-16 LE with its mark, or the ANSI code page (any text that is not valid
// UTF-8). Values go in and out as UTF-8; the file is written back in the encoding it came in,
// unless that is the ANSI code page and a character does not fit it: then the whole file
// becomes UTF-8 with a mark, never a mix of two encodings.
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
    explicit IniFile(std::string_view bytes);  // the file's bytes, in any of the encodings

    // Reads the file; a missing or unreadable file gives an empty one, a larger one only its
    // first kMaxFileBytes (and cutShort() says so).
    static IniFile load(const std::filesystem::path& path);

    // Whether load() left part of the file unread: saving this would lose the rest.
    bool cutShort() const { return cutShort_; }

    // The value as stored (blanks around it removed, cut to kMaxValueLength), or nothing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;

    // Sets the key, adding the section or key at the end where missing.
    void writeString(std::string_view section, std::string_view key, std::string_view value);

    // The whole file's bytes with every line end as it came in, in the encoding it came in
    // (or UTF-8 with a mark where the ANSI code page cannot hold it).
    std::string text() const;

private:
    enum class Encoding { Utf8, Utf8WithMark, Utf16Le, Ansi };
    struct Line {
        std::string text;
        std::string ending;  // "\n", "\r\n" or "" for a last line without one
    };
    std::vector<Line> lines_;
    Encoding encoding_ = Encoding::Utf8;
    bool cutShort_ = false;
};

// Writes text to the file through a temporary file in the same folder renamed over it, so a
// failed save leaves the old file whole. Returns an empty string on success, else the reason.
// On Windows a missing last folder is made first (the per-user settings folder).
std::string saveFileAtomically(const std::filesystem::path& path, std::string_view text);

}  // namespace orvane
