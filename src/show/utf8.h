// Texts are UTF-8; the show counts, cuts and types them by character, not by byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// The characters of the text, each as its own UTF-8 sequence. A broken byte counts as one.
std::vector<std::string> utf8Characters(std::string_view text);
std::size_t utf8Length(std::string_view text);
// The first count characters (all of them when the text is shorter).
std::string utf8Prefix(std::string_view text, std::size_t count);

}  // namespace orvane
