#include <gtest/gtest.h>

#include <vector>

#include "platform/virtual/virtual_show.h"
#include "show/show_sequence.h"
#include "show/text_ops.h"

namespace orvane {
namespace {

struct PhaseEntry {
    ShowPhase phase;
    std::uint32_t atMs;
};

// Plays the show and records the parts it enters, stopping it as the rain begins.
std::vector<PhaseEntry> playUntilRain(VirtualShow& vs) {
    std::vector<PhaseEntry> entered;
    vs.control.phaseListener = [&](ShowPhase phase) {
        entered.push_back({phase, vs.platform.elapsedMs()});
        if (phase == ShowPhase::Rain) {
            vs.control.requestStop();
        }
    };
    vs.play();
    return entered;
}

std::vector<ShowPhase> phasesOf(const std::vector<PhaseEntry>& entries) {
    std::vector<ShowPhase> phases;
    for (const auto& e : entries) phases.push_back(e.phase);
    return phases;
}

TEST(ShowSequence, PlaysThePartsInOrderGatedByTheSettings) {
    using P = ShowPhase;
    const struct {
        bool title, intro;
        std::vector<ShowPhase> expected;
    } cases[] = {
        {true, true, {P::Opening, P::Title, P::TitlePause, P::TraceProgram, P::PhoneTrace, P::WakeUpMessages, P::Rain}},
        {false, false, {P::Opening, P::Rain}},
        {false, true, {P::Opening, P::TraceProgram, P::PhoneTrace, P::WakeUpMessages, P::Rain}},
        {true, false, {P::Opening, P::Title, P::TitlePause, P::Rain}},
    };
    for (const auto& c : cases) {
        VirtualShow vs({VirtualMonitor{0, 0, 640, 480}});
        vs.settings.showTitle = c.title;
        vs.settings.showIntro = c.intro;
        EXPECT_EQ(phasesOf(playUntilRain(vs)), c.expected) << c.title << c.intro;
    }
}

TEST(ShowSequence, TheTitleIsFollowedByA300MillisecondPause) {
    VirtualShow vs({VirtualMonitor{0, 0, 640, 480}});
    vs.settings.showIntro = false;
    const auto entered = playUntilRain(vs);
    ASSERT_EQ(entered.size(), 4u);
    EXPECT_EQ(entered[2].phase, ShowPhase::TitlePause);
    const std::uint32_t pause = entered[3].atMs - entered[2].atMs;
    EXPECT_GE(pause, 300u);
    EXPECT_LE(pause, 302u);
}

TEST(ShowSequence, AStopDuringTheOpeningSkipsEverythingAfterIt) {
    VirtualShow vs({VirtualMonitor{0, 0, 640, 480}});
    std::vector<ShowPhase> entered;
    vs.control.phaseListener = [&](ShowPhase phase) {
        entered.push_back(phase);
        vs.control.requestStop();
    };
    vs.play();
    EXPECT_EQ(entered, std::vector<ShowPhase>{ShowPhase::Opening});
}

TEST(ShowSequence, InputBeforeTheShowStartsIsIgnored) {
    VirtualShow vs({VirtualMonitor{0, 0, 640, 480}});
    vs.settings.showTitle = false;
    vs.settings.showIntro = false;
    vs.control.requestStop();  // what a key release before the start timer does
    const auto entered = playUntilRain(vs);
    EXPECT_EQ(phasesOf(entered), (std::vector<ShowPhase>{ShowPhase::Opening, ShowPhase::Rain}));
}

TEST(ShowSequence, KeyReleaseEndsTheRain) {
    VirtualShow vs;
    vs.settings.showTitle = false;
    vs.settings.showIntro = false;
    vs.platform.scriptKeyRelease(1000, 0, 'A');
    vs.play();
    EXPECT_GE(vs.platform.elapsedMs(), 1000u);
    EXPECT_LT(vs.platform.elapsedMs(), 1100u);  // the rain polls at least every frame
}

TEST(ShowSequence, LowColourDisplaysKeepTheWarningCentredAndClipped) {
    VirtualShow vs({VirtualMonitor{0, 0, 800, 600}}, 0, 8);
    VirtualWindow& window = vs.platform.window(0);
    window.setLogging(true);
    std::vector<ShowPhase> entered;
    PixelPicture afterLaterFill;
    vs.control.phaseListener = [&](ShowPhase phase) {
        entered.push_back(phase);
        if (phase == ShowPhase::Opening) {
            // Later drawing through the show's context must leave the two lines alone.
            fillRectColour(*vs.control.current->showDC, {0, 0, 800, 600}, rgb(0, 0, 255));
            afterLaterFill = window.snapshot();
            vs.control.requestStop();
        }
    };
    vs.play();
    ASSERT_FALSE(entered.empty());
    EXPECT_EQ(entered.front(), ShowPhase::LowColourWarning);

    std::vector<DrawRecord> texts;
    for (const DrawRecord& r : window.records()) {
        if (r.kind == DrawRecord::Kind::Text) texts.push_back(r);
    }
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, kLowColourLine1);
    EXPECT_EQ(texts[1].text, kLowColourLine2);
    const Rect line1 = texts[0].area;
    const Rect line2 = texts[1].area;
    EXPECT_EQ(line1.left, (800 - line1.width()) / 2);
    EXPECT_EQ(line1.top, (600 - line1.height()) / 2);
    EXPECT_EQ(line2.left, (800 - line2.width()) / 2);
    EXPECT_EQ(line2.top, (600 - line2.height()) / 2 + line2.height());
    EXPECT_EQ(texts[0].textColour, kWhite);

    ASSERT_FALSE(afterLaterFill.isNull());
    const std::uint32_t blue = pixelOf(0, 0, 255);
    EXPECT_EQ(afterLaterFill.pixel(10, 10), blue);
    EXPECT_EQ(afterLaterFill.pixel(line1.left - 1, line1.top), blue);
    bool anyLetterKept = false;
    for (int x = line1.left; x < line1.right; ++x) {
        for (int y = line1.top; y < line2.bottom; ++y) {
            const std::uint32_t p = afterLaterFill.pixel(x, y);
            EXPECT_NE(p, blue) << x << "," << y;
            anyLetterKept = anyLetterKept || redOf(p) > 128;
        }
    }
    EXPECT_TRUE(anyLetterKept);
}

TEST(ShowSequence, NoWarningAboveEightBits) {
    // 15-bit high colour and every depth above 8 bits show the show without the warning.
    for (int bits : {9, 15, 16, 24, 32}) {
        VirtualShow vs({VirtualMonitor{0, 0, 800, 600}}, 0, bits);
        std::vector<ShowPhase> entered;
        vs.control.phaseListener = [&](ShowPhase phase) {
            entered.push_back(phase);
            vs.control.requestStop();
        };
        vs.play();
        EXPECT_EQ(entered, std::vector<ShowPhase>{ShowPhase::Opening}) << bits << " bits";
    }
}

}  // namespace
}  // namespace orvane
