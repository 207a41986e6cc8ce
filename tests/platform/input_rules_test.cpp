#include <gtest/gtest.h>

#include "host/settings.h"
#include "platform/common/input_rules.h"
#include "platform/virtual/virtual_platform.h"
#include "show/show_sequencer.h"

namespace orvane {
namespace {

struct Outcome {
    bool stop;
    bool activity;
};

Outcome apply(bool escapeAndLeftOnly, const std::function<void(InputRules&)>& input) {
    Settings settings;
    settings.useEscapeLmbExit = escapeAndLeftOnly;
    struct NullPlatform : Platform {
        std::uint32_t ticks() override { return 0; }
        void sleep(std::uint32_t) override {}
        void processPendingMessages() override {}
        std::uint32_t millisecondsSinceMidnightUtc() override { return 0; }
        LocalDateTime localDateTime() override { return {}; }
        std::optional<std::string> loggedOnUserName() override { return {}; }
    } platform;
    ShowSequencer show(platform, settings, GlyphPicture{});
    ShowControl control;
    control.current = &show;
    InputRules rules(settings, control, 2);
    rules.windowShown(0, {100, 100});
    rules.windowShown(1, {100, 100});
    input(rules);
    return {show.stopRequested(), control.userActivity};
}

TEST(InputRules, TheInputTable) {
    const struct {
        const char* name;
        std::function<void(InputRules&)> input;
        Outcome normal;
        Outcome escapeAndLeftOnly;
    } rows[] = {
        {"move of 6 px", [](InputRules& r) { r.mouseMoved(0, {106, 100}); }, {true, false}, {false, true}},
        {"move of 5 px", [](InputRules& r) { r.mouseMoved(0, {103, 104}); }, {false, false}, {false, false}},
        {"left press", [](InputRules& r) { r.mouseButtonPressed(0, MouseButton::Left); }, {true, false}, {true, false}},
        {"right press", [](InputRules& r) { r.mouseButtonPressed(0, MouseButton::Right); }, {true, false}, {false, true}},
        {"middle press", [](InputRules& r) { r.mouseButtonPressed(1, MouseButton::Middle); }, {true, false}, {false, true}},
        {"Escape released", [](InputRules& r) { r.keyReleased(0, kVirtualKeyEscape, false); }, {true, false}, {true, false}},
        {"other key released", [](InputRules& r) { r.keyReleased(0, 'A', false); }, {true, false}, {false, true}},
        {"held key repeating", [](InputRules& r) { r.keyReleased(0, 'A', true); }, {false, false}, {false, false}},
        // Where the pointer stood is not known: its first motion only places it, the next counts.
        {"first motion after the pointer was forgotten",
         [](InputRules& r) { r.forgetPointer(0); r.mouseMoved(0, {300, 300}); }, {false, false}, {false, false}},
        {"second motion after it",
         [](InputRules& r) { r.forgetPointer(0); r.mouseMoved(0, {300, 300}); r.mouseMoved(0, {306, 300}); },
         {true, false}, {false, true}},
    };
    for (const auto& row : rows) {
        const Outcome normal = apply(false, row.input);
        EXPECT_EQ(normal.stop, row.normal.stop) << row.name;
        EXPECT_EQ(normal.activity, row.normal.activity) << row.name;
        const Outcome restricted = apply(true, row.input);
        EXPECT_EQ(restricted.stop, row.escapeAndLeftOnly.stop) << row.name << " (Escape/left only)";
        EXPECT_EQ(restricted.activity, row.escapeAndLeftOnly.activity) << row.name << " (Escape/left only)";
    }
}

TEST(InputRules, SlowMovementCountsOnceItLeavesTheLastCountedPlace) {
    const Outcome jitter = apply(false, [](InputRules& r) {
        for (int i = 0; i < 100; ++i) {
            r.mouseMoved(0, {100 + (i % 2 ? 5 : -5), 100});  // +-5 px from where it was shown
            r.mouseMoved(0, {100, 100 + (i % 2 ? -5 : 5)});
        }
    });
    EXPECT_FALSE(jitter.stop);
    const Outcome creep = apply(false, [](InputRules& r) {
        for (int x = 101; x <= 106; ++x) {
            r.mouseMoved(0, {x, 100});  // one pixel at a time: the sixth one counts
        }
    });
    EXPECT_TRUE(creep.stop);
    // The counted place moves with each counted movement: with Escape and the left button
    // only, a move of 6 px is activity, and one more pixel from there is not, although it
    // lies 7 px from where the window was shown.
    const Outcome onward = apply(true, [](InputRules& r) {
        r.mouseMoved(0, {106, 100});
        r.windowShown(1, {100, 100});  // clears the flag; window 0 keeps its counted place
        r.mouseMoved(0, {107, 100});
    });
    EXPECT_FALSE(onward.activity);
}

TEST(InputRules, EachWindowMeasuresFromThePointerItSawWhenShown) {
    // Screen coordinates: a window whose monitor lies right of the first compares like with like.
    const Outcome sameSpot = apply(false, [](InputRules& r) {
        r.windowShown(1, {1500, 300});
        r.mouseMoved(1, {1503, 303});
    });
    EXPECT_FALSE(sameSpot.stop);
    // The virtual platform shows each of its windows with the pointer it is given.
    Settings settings;
    InputRules rules(settings, 2);
    VirtualPlatform platform(0, {VirtualMonitor{0, 0, 640, 480}, VirtualMonitor{640, 0, 400, 300}});
    platform.attachInput(&rules, {700, 20});
    EXPECT_EQ(rules.lastPointer(0), (Point{700, 20}));
    EXPECT_EQ(rules.lastPointer(1), (Point{700, 20}));
}

// The rules without a show control, as the stop watcher's thread runs them: each input tells
// the same effect the table gives, and the pointer is measured from where it was last counted.
TEST(InputRules, RulesWithoutAControlTellTheEffect) {
    Settings settings;
    InputRules rules(settings, 1);
    rules.windowShown(0, {100, 100});
    EXPECT_EQ(rules.mouseMoved(0, {103, 104}), InputEffect::None);  // 5 px: not more than 5
    EXPECT_EQ(rules.keyReleased(0, 'A', true), InputEffect::None);
    EXPECT_EQ(rules.mouseMoved(0, {106, 100}), InputEffect::Stop);
    EXPECT_EQ(rules.lastPointer(0), (Point{106, 100}));
    settings.useEscapeLmbExit = true;
    EXPECT_EQ(rules.mouseButtonPressed(0, MouseButton::Middle), InputEffect::Activity);
    EXPECT_EQ(rules.keyReleased(0, kVirtualKeyEscape, false), InputEffect::Stop);
    EXPECT_EQ(rules.mouseMoved(0, {106, 106}), InputEffect::Activity);
}

TEST(InputRules, ShowingAWindowClearsActivity) {
    const Outcome shown = apply(true, [](InputRules& r) {
        r.mouseButtonPressed(0, MouseButton::Right);
        r.windowShown(0, {0, 0});
    });
    EXPECT_FALSE(shown.activity);
}

}  // namespace
}  // namespace orvane
