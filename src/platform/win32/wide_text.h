// Texts between the program's UTF-8 and the UTF-16 of the wide Windows calls.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view wide);

}  // namespace orvane
