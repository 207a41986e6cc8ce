#include "host/run_mode.h"

namespace orvane {

RunMode runModeFromArguments(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        return RunMode::Show;
    }
    // Whatever follows the two characters (such as ":1234" after /c) is ignored.
    const std::string mode = arguments.front().substr(0, 2);
    if (mode == "/s" || mode == "/S") {
        return RunMode::Show;
    }
    if (mode == "/c" || mode == "/C") {
        return RunMode::Configure;
    }
    if (mode == "/p" || mode == "/P") {
        return RunMode::Preview;
    }
    return RunMode::Quit;
}

}  // namespace orvane
