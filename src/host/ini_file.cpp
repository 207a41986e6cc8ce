#include "host/ini_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

namespace orvane {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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

}  // namespace

IniFile::IniFile(std::string_view text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        byteOrderMark_ = true;
        text.remove_prefix(kByteOrderMark.size());
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
    std::string text;
    text.resize(kMaxFileBytes);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return IniFile(text);
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
    std::string out = byteOrderMark_ ? std::string(kByteOrderMark) : std::string();
    for (const Line& line : lines_) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

}  // namespace orvane
