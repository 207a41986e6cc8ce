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
    }
}

}  // namespace
}  // namespace orvane
