#include "host/run_mode.h"

#include <charconv>

namespace orvane {

namespace {

bool isOneOf(const std::string& argument, const char* a, const char* b) {
    return argument == a || argument == b;
}

Invocation moduleIn(std::string_view text, const char* from) {
    Invocation invocation;
    if (const std::optional<std::uint32_t> id = parseWindowId(text)) {
        invocation.mode = RunMode::Module;
        invocation.window.id = *id;
    } else {
        invocation.error = "not a window id (decimal or 0x hexadecimal) in " + std::string(from) +
                           ": '" + std::string(text) + "'";
    }
    return invocation;
}

}  // namespace

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

RunMode windowsRunModeFromArguments(const std::vector<std::string>& arguments) {
    return arguments.empty() ? RunMode::Configure : runModeFromArguments(arguments);
}

Invocation invocationOf(const std::vector<std::string>& arguments,
                        const std::optional<std::string>& hostWindow) {
    const std::string first = arguments.empty() ? std::string() : arguments.front();
    if (arguments.empty() && hostWindow) {
        return moduleIn(*hostWindow, kHostWindowVariable);
    }
    if (isOneOf(first, "--root", "-root")) {
        if (hostWindow) {
            return moduleIn(*hostWindow, kHostWindowVariable);
        }
        Invocation invocation;
        invocation.mode = RunMode::Module;
        invocation.window.rootWindow = true;
        return invocation;
    }
    if (isOneOf(first, "--window-id", "-window-id")) {
        if (arguments.size() < 2) {
            Invocation invocation;
            invocation.error = first + " needs a window id (decimal or 0x hexadecimal)";
            return invocation;
        }
        return moduleIn(arguments[1], first.c_str());
    }
    return {runModeFromArguments(arguments), {}, {}};
}

ShowPlatform showPlatformOf(const std::optional<std::string>& forced,
                            const std::optional<std::string>& waylandDisplay) {
    if (forced == "wayland") {
        return ShowPlatform::Wayland;
    }
    if (forced == "x11") {
        return ShowPlatform::Qt;
    }
    return waylandDisplay && !waylandDisplay->empty() ? ShowPlatform::Wayland : ShowPlatform::Qt;
}

std::optional<std::uint32_t> parseWindowId(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint32_t id = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, id, base);
    if (text.empty() || error != std::errc() || stop != end || id == 0) {
        return std::nullopt;
    }
    return id;
}

}  // namespace orvane
