// The mode switch: the first two characters of the first argument, compared exactly.
#pragma once

#include <string>
#include <vector>

namespace orvane {

enum class RunMode { Show, Configure, Preview, Quit };

// arguments: the command line after the program name.
RunMode runModeFromArguments(const std::vector<std::string>& arguments);

}  // namespace orvane
