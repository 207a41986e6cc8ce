#include <gtest/gtest.h>

#include "host/run_mode.h"

namespace orvane {
namespace {

TEST(RunMode, FirstTwoCharactersOfTheFirstArgumentChooseTheMode) {
    const struct {
        std::vector<std::string> arguments;
        RunMode mode;
    } cases[] = {
        {{}, RunMode::Show},
        {{"/s"}, RunMode::Show},
        {{"/S"}, RunMode::Show},
        {{"/sx", "ignored"}, RunMode::Show},
        {{"/c"}, RunMode::Configure},
        {{"/C"}, RunMode::Configure},
        {{"/c:1234"}, RunMode::Configure},
        {{"/p"}, RunMode::Preview},
        {{"/P", "4711"}, RunMode::Preview},
        {{"/p", "not a number"}, RunMode::Preview},
        {{"-s"}, RunMode::Quit},
        {{"s"}, RunMode::Quit},
        {{"/x"}, RunMode::Quit},
        {{"/"}, RunMode::Quit},
        {{""}, RunMode::Quit},
        {{" /s"}, RunMode::Quit},
    };
    for (const auto& c : cases) {
        const std::string shown = c.arguments.empty() ? "(none)" : c.arguments.front();
        EXPECT_EQ(runModeFromArguments(c.arguments), c.mode) << shown;
        // Windows reads every switch the same; only a bare start is its shell's "Configure".
        EXPECT_EQ(windowsRunModeFromArguments(c.arguments),
                  c.arguments.empty() ? RunMode::Configure : c.mode)
            << "Windows: " << shown;
    }
}

// The module options are whole arguments tested before the switch table; the host's window
// variable counts only with --root or with no argument at all.
TEST(RunMode, ModuleOptionsNameTheWindowToDrawIn) {
    const std::optional<std::string> none;
    const struct {
        std::vector<std::string> arguments;
        std::optional<std::string> hostWindow;
        RunMode mode;
        ModuleWindow window;
    } cases[] = {
        {{"--root"}, none, RunMode::Module, {true, 0}},
        {{"-root"}, none, RunMode::Module, {true, 0}},
        {{"--root"}, "0x2a00007", RunMode::Module, {false, 0x2a00007}},
        {{"-root"}, "44040199", RunMode::Module, {false, 44040199}},
        {{}, "0x400001", RunMode::Module, {false, 0x400001}},
        {{"--window-id", "0x1e00003"}, none, RunMode::Module, {false, 0x1e00003}},
        {{"-window-id", "31457283"}, "0x400001", RunMode::Module, {false, 31457283}},
        {{}, none, RunMode::Show, {}},
        {{"/s"}, "0x400001", RunMode::Show, {}},     // the switch wins over the variable
        {{"/c"}, "0x400001", RunMode::Configure, {}},
        {{"-r"}, none, RunMode::Quit, {}},          // two characters: the switch table
        {{"--rooted"}, none, RunMode::Quit, {}},
        {{"-s"}, "0x400001", RunMode::Quit, {}},
    };
    for (const auto& c : cases) {
        const std::string shown = c.arguments.empty() ? "(none)" : c.arguments.front();
        const Invocation invocation = invocationOf(c.arguments, c.hostWindow);
        EXPECT_EQ(invocation.mode, c.mode) << shown;
        EXPECT_EQ(invocation.window, c.window) << shown;
        EXPECT_TRUE(invocation.error.empty()) << shown << ": " << invocation.error;
    }
}

TEST(RunMode, AModuleCommandLineWithoutAUsableWindowEndsWithAMessage) {
    const struct {
        std::vector<std::string> arguments;
        std::optional<std::string> hostWindow;
    } cases[] = {
        {{"--window-id"}, {}},
        {{"--window-id", ""}, {}},
        {{"--window-id", "0"}, {}},
        {{"--window-id", "0x"}, {}},
        {{"--window-id", "0x1g"}, {}},
        {{"--window-id", "-5"}, {}},
        {{"--window-id", "12 "}, {}},
        {{"--window-id", "4294967296"}, {}},  // 2^32: beyond any X window id
        {{"--root"}, "garbage"},
        {{}, ""},
    };
    for (const auto& c : cases) {
        const Invocation invocation = invocationOf(c.arguments, c.hostWindow);
        const std::string shown = c.arguments.size() > 1 ? c.arguments[1] : c.hostWindow.value_or("-");
        EXPECT_EQ(invocation.mode, RunMode::Quit) << shown;
        EXPECT_FALSE(invocation.error.empty()) << shown;
        EXPECT_EQ(invocation.error.find('\n'), std::string::npos) << shown;
    }
    EXPECT_EQ(parseWindowId("0xFFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(parseWindowId("0X1F"), 31u);
}

// A named Wayland display takes the show to the compositor itself; the variable forces either.
TEST(RunMode, AWaylandDisplayChoosesTheWaylandShowUnlessForced) {
    const std::optional<std::string> none;
    const struct {
        std::optional<std::string> forced;
        std::optional<std::string> waylandDisplay;
        ShowPlatform platform;
    } cases[] = {
        {none, none, ShowPlatform::Qt},
        {none, "wayland-1", ShowPlatform::Wayland},
        {none, "", ShowPlatform::Qt},  // set but empty names no display
        {"x11", "wayland-1", ShowPlatform::Qt},
        {"wayland", none, ShowPlatform::Wayland},
        {"Wayland", none, ShowPlatform::Qt},  // values are exact, as documented
        {"other", "wayland-1", ShowPlatform::Wayland},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(showPlatformOf(c.forced, c.waylandDisplay), c.platform)
            << c.forced.value_or("-") << " " << c.waylandDisplay.value_or("-");
    }
}

}  // namespace
}  // namespace orvane
