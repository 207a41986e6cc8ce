#include "show/utf8.h"

namespace orvane {

namespace {
std::size_t sequenceLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 1;
    if (lead >= 0xF0 && lead < 0xF8) {
        length = 4;
    } else if (lead >= 0xE0) {
        length = lead < 0xF0 ? 3 : 1;
    } else if (lead >= 0xC0) {
        length = 2;
    }
    if (at + length > text.size()) {
        return 1;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return length;
}
}  // namespace

std::vector<std::string> utf8Characters(std::string_view text) {
    std::vector<std::string> characters;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = sequenceLength(text, at);
        characters.emplace_back(text.substr(at, length));
        at += length;
    }
    return characters;
}

std::size_t utf8Length(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); at += sequenceLength(text, at)) {
        ++count;
    }
    return count;
}

std::string utf8Prefix(std::string_view text, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t n = 0; n < count && at < text.size(); ++n) {
        at += sequenceLength(text, at);
    }
    return std::string(text.substr(0, at));
}

}  // namespace orvane
