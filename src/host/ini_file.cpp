#include "host/ini_file.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace orvane {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr char32_t kReplacement = 0xFFFD;

// The character at pos in UTF-8 text, pos moved past it; for a byte that does not begin a
// well-formed sequence (overlong forms, surrogates and values past U+10FFFF are not), nothing,
// pos moved past that byte alone.
std::optional<char32_t> nextUtf8(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    char32_t code = 0;
    char32_t least = 0;  // the least value that needs that many bytes
    if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        least = 0x10000;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
        least = 0x800;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
        least = 0x80;
    } else {
        ++pos;
        return std::nullopt;
    }
    if (pos + length > text.size()) {
        ++pos;
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            ++pos;
            return std::nullopt;
        }
        code = (code << 6) | (byte(pos + i) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        ++pos;
        return std::nullopt;
    }
    pos += length;
    return code;
}

bool isUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        if (!nextUtf8(text, pos)) {
            return false;
        }
    }
    return true;
}

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// UTF-16 code units to UTF-8; a surrogate without its partner becomes U+FFFD.
std::string utf8FromUtf16(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char32_t unit = units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (units[++i] - 0xDC00));
        } else {
            appendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
        }
    }
    return out;
}

// UTF-8 to UTF-16 code units; a byte that is not well-formed UTF-8 becomes U+FFFD.
std::u16string utf16FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t code = nextUtf8(text, pos).value_or(kReplacement);
        if (code >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

// Little-endian byte pairs (after the mark); an odd last byte becomes U+FFFD.
std::string utf8FromUtf16Le(std::string_view bytes) {
    std::u16string units;
    units.reserve(bytes.size() / 2 + 1);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    if (bytes.size() % 2 != 0) {
        units += static_cast<char16_t>(kReplacement);
    }
    return utf8FromUtf16(units);
}

std::string utf16LeFromUtf8(std::string_view text) {
    std::string out;
    for (const char16_t unit : utf16FromUtf8(text)) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
    return out;
}

#ifdef _WIN32
// A system set to UTF-8 as its code page cannot have written text that is not UTF-8.
UINT ansiCodePage() {
    const UINT system = GetACP();
    return system == CP_UTF8 ? 1252 : system;
}
#else
// Bytes 0x80..0x9F of Windows-1252; the five it leaves undefined stand for themselves, as on
// Windows. Every other byte is its own code point.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
#endif

std::string_view trim(std::string_view s) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; };
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// The section named by a header line, or nothing when the line is not a header.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    const std::size_t close = line.find(']');
    return trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view line) {
    const std::string_view trimmed = trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') {
        return std::nullopt;
    }
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return KeyLine{trim(trimmed.substr(0, equals)), trim(trimmed.substr(equals + 1))};
}

// Cut to at most max bytes without splitting a UTF-8 character.
std::string cutValue(std::string_view value, std::size_t max) {
    if (value.size() <= max) {
        return std::string(value);
    }
    std::size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80) {
        --end;
    }
    return std::string(value.substr(0, end));
}

std::string oneLine(std::string_view text) {
    std::string out(text);
    std::replace(out.begin(), out.end(), '\n', ' ');
    std::replace(out.begin(), out.end(), '\r', ' ');
    return out;
}

// The ANSI code page: on Windows the system's (CP_ACP); elsewhere, and on Windows set to UTF-8
// as its code page, Windows-1252, the code page of Western European users' older editors.
// Decoding always succeeds (bytes the code page leaves undefined keep their value as a code
// point); encoding gives nothing when a character does not fit.
#ifdef _WIN32
std::string utf8FromAnsi(std::string_view ansi) {
    if (ansi.empty() || ansi.size() > static_cast<std::size_t>(INT_MAX)) {
        return {};
    }
    const UINT codePage = ansiCodePage();
    const int size = static_cast<int>(ansi.size());
    const int length = MultiByteToWideChar(codePage, 0, ansi.data(), size, nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(length > 0 ? length : 0), u'\0');
    if (length <= 0 ||
        MultiByteToWideChar(codePage, 0, ansi.data(), size, reinterpret_cast<wchar_t*>(wide.data()),
                            length) != length) {
        return {};
    }
    return utf8FromUtf16(wide);
}

std::optional<std::string> ansiFromUtf8(std::string_view utf8) {
    if (!isUtf8(utf8) || utf8.size() > static_cast<std::size_t>(INT_MAX)) {
        return std::nullopt;
    }
    if (utf8.empty()) {
        return std::string();
    }
    const std::u16string wide = utf16FromUtf8(utf8);
    const auto* units = reinterpret_cast<const wchar_t*>(wide.data());
    const int size = static_cast<int>(wide.size());
    const UINT codePage = ansiCodePage();
    // No best fit: an "Ω" written as "O" would not read back as the name that was saved.
    BOOL lost = FALSE;
    const int length =
        WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, units, size, nullptr, 0, nullptr, &lost);
    if (length <= 0 || lost) {
        return std::nullopt;
    }
    std::string out(static_cast<std::size_t>(length), '\0');
    if (WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, units, size, out.data(), length,
                            nullptr, &lost) != length ||
        lost) {
        return std::nullopt;
    }
    return out;
}
#else
std::string utf8FromAnsi(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 2);
    for (const char c : ansi) {
        const auto byte = static_cast<unsigned char>(c);
        appendUtf8(out, byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte);
    }
    return out;
}

std::optional<std::string> ansiFromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::optional<char32_t> code = nextUtf8(utf8, pos);
        if (!code) {
            return std::nullopt;
        }
        if (*code < 0x80 || (*code >= 0xA0 && *code <= 0xFF)) {
            out += static_cast<char>(*code);
            continue;
        }
        const auto* high = std::find(std::begin(kWindows1252High), std::end(kWindows1252High), *code);
        if (high == std::end(kWindows1252High)) {
            return std::nullopt;
        }
        out += static_cast<char>(0x80 + (high - std::begin(kWindows1252High)));
    }
    return out;
}
#endif

}  // namespace

IniFile::IniFile(std::string_view bytes) {
    std::string decoded;
    std::string_view text = bytes;
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        encoding_ = Encoding::Utf8WithMark;
        text.remove_prefix(kByteOrderMark.size());
    } else if (bytes.substr(0, kUtf16LeMark.size()) == kUtf16LeMark) {
        encoding_ = Encoding::Utf16Le;
        decoded = utf8FromUtf16Le(bytes.substr(kUtf16LeMark.size()));
        text = decoded;
    } else if (!isUtf8(bytes)) {
        encoding_ = Encoding::Ansi;
        decoded = utf8FromAnsi(bytes);
        text = decoded;
    }
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        if (newline == std::string_view::npos) {
            lines_.push_back({std::string(text), ""});
            break;
        }
        std::string_view body = text.substr(0, newline);
        std::string ending = "\n";
        if (!body.empty() && body.back() == '\r') {
            body.remove_suffix(1);
            ending = "\r\n";
        }
        lines_.push_back({std::string(body), ending});
        text.remove_prefix(newline + 1);
    }
}

IniFile IniFile::load(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    // One byte more than is kept tells a file of exactly the limit from a longer one.
    std::string text;
    text.resize(kMaxFileBytes + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    const auto read = static_cast<std::size_t>(in.gcount());
    text.resize(std::min(read, kMaxFileBytes));
    IniFile file(text);
    file.cutShort_ = read > kMaxFileBytes;
    return file;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    bool inSection = false;
    for (const Line& line : lines_) {
        if (const auto name = sectionName(line.text)) {
            inSection = sameName(*name, trim(section));
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (const auto entry = keyLine(line.text); entry && sameName(entry->key, trim(key))) {
            std::string_view value = entry->value;
            // Surrounding quotes are not part of the value.
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            return cutValue(value, kMaxValueLength);
        }
    }
    return std::nullopt;
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    if (auto found = value(section, key)) {
        return *found;
    }
    return std::string(fallback);
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string ending =
        !lines_.empty() && lines_.front().ending == "\r\n" ? "\r\n" : "\n";
    const std::string newLine = std::string(trim(key)) + "=" + oneLine(value);
    bool inSection = false;
    std::optional<std::size_t> sectionEnd;  // index after the last entry of the section
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (const auto name = sectionName(lines_[i].text)) {
            if (inSection) {
                break;  // the first section of that name is the one written
            }
            inSection = sameName(*name, trim(section));
            if (inSection) {
                sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (const auto entry = keyLine(lines_[i].text)) {
            if (sameName(entry->key, trim(key))) {
                lines_[i].text = newLine;
                return;
            }
            sectionEnd = i + 1;
        }
    }
    if (!lines_.empty() && lines_.back().ending.empty()) {
        lines_.back().ending = ending;
    }
    if (sectionEnd) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), {newLine, ending});
        return;
    }
    lines_.push_back({"[" + std::string(trim(section)) + "]", ending});
    lines_.push_back({newLine, ending});
}

std::string IniFile::text() const {
    std::string body;
    for (const Line& line : lines_) {
        body += line.text;
        body += line.ending;
    }
    switch (encoding_) {
    case Encoding::Utf8:
        return body;
    case Encoding::Utf16Le:
        return std::string(kUtf16LeMark) + utf16LeFromUtf8(body);
    case Encoding::Ansi:
        if (std::optional<std::string> ansi = ansiFromUtf8(body)) {
            return *ansi;
        }
        break;  // a character outside the code page: the whole file goes to UTF-8
    case Encoding::Utf8WithMark:
        break;
    }
    return std::string(kByteOrderMark) + body;
}

}  // namespace orvane
