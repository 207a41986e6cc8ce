// The rain phase on the virtual platform: every monitor, frame pacing, and the power save.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "rain/rain_phase.h"
#include "rain_harness.h"
#include "platform/common/input_rules.h"

namespace orvane {
namespace {

constexpr std::uint32_t kStartTick = 7000000;

struct TextCall {
    std::uint32_t atMs;
    int window;
    int x, y;
    std::string text;
};

// A show of the rain alone, its windows watched for text.
class PhaseShow {
  public:
    PhaseShow(std::vector<VirtualMonitor> monitors, const std::function<void(Settings&)>& adjust)
        : vs(std::move(monitors), kStartTick) {
        vs.platform.utcMsSinceMidnight = 4242;
        vs.picture = flatCellPicture();
        vs.settings.showTitle = false;
        vs.settings.showIntro = false;
        adjust(vs.settings);
        for (int i = 0; i < vs.platform.windowCount(); ++i) {
            watched.push_back(std::make_unique<WatchedWindow>(vs.platform.window(i)));
            watched.back()->onText = [this, i](int x, int y, std::string_view text) {
                texts.push_back({vs.platform.elapsedMs(), i, x, y, std::string(text)});
            };
            vs.show().windows[static_cast<std::size_t>(i)].window = watched.back().get();
        }
        // What a present does on a real window: the changed areas are taken each pump.
        vs.platform.onPump = [this] {
            for (int i = 0; i < vs.platform.windowCount(); ++i) {
                vs.platform.window(i).takeDamage();
            }
        };
    }

    // Draw records are kept from this time on (not for the whole minute of rain before).
    void logFrom(std::uint32_t ms) {
        vs.platform.scriptAction(ms, [this] {
            for (int i = 0; i < vs.platform.windowCount(); ++i) {
                vs.platform.window(i).setLogging(true);
            }
        });
    }

    // Runs the phase until the stop at stopMs (or earlier input); returns when it ended.
    std::uint32_t runUntil(std::uint32_t stopMs) {
        vs.platform.scriptAction(stopMs, [this] { vs.show().requestStop(); });
        runRainPhase(vs.show());
        return vs.platform.elapsedMs();
    }

    std::vector<TextCall> textsOf(int window) const {
        std::vector<TextCall> calls;
        for (const TextCall& t : texts) {
            if (t.window == window) {
                calls.push_back(t);
            }
        }
        return calls;
    }

    VirtualShow vs;
    std::vector<std::unique_ptr<WatchedWindow>> watched;
    std::vector<TextCall> texts;
};

int litPixels(const WindowPicture& window) {
    int lit = 0;
    for (int y = 0; y < window.height(); ++y) {
        for (int x = 0; x < window.width(); ++x) {
            lit += (window.pixel(x, y) & 0xFFFFFF) != 0;
        }
    }
    return lit;
}

TEST(RainPhase, PacingSleepsTheRestOf40MsAndNotAtAllAfter20) {
    struct Case {
        std::uint32_t workMs, sleepMs;
    };
    const Case cases[] = {{0, 40}, {1, 39}, {19, 21}, {20, 0}, {35, 0}, {400, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(rainFrameSleepMs(c.workMs), c.sleepMs) << c.workMs;
    }
}

TEST(RainPhase, IdleLimitIsStrictlyMoreThanTheTimeout) {
    struct Case {
        std::uint32_t idleMs;
        std::int32_t minutes;
        bool passed;
    };
    const Case cases[] = {
        {60000, 1, false},
        {60001, 1, true},
        {0xFFFFFFFFu, 0, false},  // 0: never
        {0xFFFFFFFFu, -3, false},
        {2147460000, 35791, false},  // the largest timeout whose limit fits 31 bits
        {2147460001, 35791, true},
        {2147520001, 35792, true},  // would wrap negative in 32 bits
        {2147520000, 35792, false},
        {0xFFFFFFFFu, 71582, true},   // 4 294 920 000 ms: still inside the tick range
        {0xFFFFFFFFu, 71583, false},  // beyond it: never reached
        {0xFFFFFFFFu, 0x7FFFFFFF, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(idleLimitPassed(c.idleMs, c.minutes), c.passed) << c.idleMs << " " << c.minutes;
    }
}

TEST(RainPhase, RainsOnEveryMonitorUntilInput) {
    VirtualShow vs({VirtualMonitor{0, 0, 640, 400}, VirtualMonitor{640, 0, 320, 240}}, kStartTick);
    vs.picture = flatCellPicture();
    vs.settings.showTitle = false;
    vs.settings.showIntro = false;
    vs.settings.densityFraction = 1.0;
    vs.platform.scriptKeyRelease(15000, 1, 'Q');
    vs.play();
    EXPECT_GE(vs.platform.elapsedMs(), 15000u);
    EXPECT_LT(vs.platform.elapsedMs(), 15100u);
    EXPECT_GT(litPixels(vs.platform.window(0)), 640 * 400 / 20);
    EXPECT_GT(litPixels(vs.platform.window(1)), 320 * 240 / 20);
}

TEST(RainPhase, FramesComeEvery40Ms) {
    PhaseShow p({VirtualMonitor{0, 0, 320, 200}}, [](Settings&) {});
    const std::uint32_t end = p.runUntil(10000);
    // Each pass: a frame of well under 20 ms, then one sleep up to 40 ms.
    EXPECT_GE(end, 10000u);
    EXPECT_LT(end, 10100u);
    EXPECT_GE(p.vs.platform.sleepCount(), 245);
    EXPECT_LE(p.vs.platform.sleepCount(), 251);
}

TEST(PowerSave, NeverWithATimeoutOfZeroOrLess) {
    for (int timeout : {0, -1}) {
        PhaseShow p({VirtualMonitor{0, 0, 320, 200}},
                    [timeout](Settings& s) { s.suspendTimeout = timeout; });
        p.runUntil(150000);
        EXPECT_TRUE(p.texts.empty()) << timeout;
        EXPECT_GT(litPixels(p.vs.platform.window(0)), 0);
    }
}

TEST(PowerSave, ComesOnStrictlyAfterTheIdleTimeoutOnEveryWindow) {
    PhaseShow p({VirtualMonitor{0, 0, 640, 400}, VirtualMonitor{640, 0, 800, 600}},
                [](Settings& s) { s.suspendTimeout = 1; });
    p.logFrom(59000);
    p.runUntil(64000);
    ASSERT_FALSE(p.texts.empty());
    // The first pass after more than 60 000 ms of idle time, frames being 40 ms apart.
    EXPECT_GT(p.texts.front().atMs, 60000u);
    EXPECT_LT(p.texts.front().atMs, 60050u);
    EXPECT_EQ(p.textsOf(0).size(), 2u);
    EXPECT_EQ(p.textsOf(1).size(), 2u);
    // The window is black but for the green text: the rain is gone.
    WindowPicture& window = p.vs.platform.window(1);
    int green = 0;
    int other = 0;
    for (int y = 0; y < window.height(); ++y) {
        for (int x = 0; x < window.width(); ++x) {
            const std::uint32_t c = window.pixel(x, y);
            if (redOf(c) != 0 || blueOf(c) != 0) {
                ++other;
            } else if (greenOf(c) > 0) {
                ++green;
            }
        }
    }
    EXPECT_EQ(other, 0);
    EXPECT_GT(green, 200);
    // No rain frame is drawn while suspended.
    bool afterText = false;
    for (const DrawRecord& r : p.vs.platform.window(0).records()) {
        afterText = afterText || r.kind == DrawRecord::Kind::Text;
        if (afterText) {
            EXPECT_NE(r.kind, DrawRecord::Kind::SurfaceCopy);
        }
    }
}

struct TextCase {
    bool useEscapeLmbExit;
    const char* secondLine;
};

TEST(PowerSave, TwoGreenLinesAtARandomPlaceMovedEverySixSeconds) {
    const TextCase cases[] = {
        {false, "Move mouse or press key to exit."},
        {true, "Move mouse to resume. LMB or Escape to exit."},
    };
    for (const TextCase& c : cases) {
        PhaseShow p({VirtualMonitor{0, 0, 1280, 720}}, [&](Settings& s) {
            s.suspendTimeout = 1;
            s.useEscapeLmbExit = c.useEscapeLmbExit;
        });
        p.logFrom(59000);
        p.runUntil(60000 + 99 * 6000 + 1000);
        const std::vector<TextCall> calls = p.textsOf(0);
        ASSERT_EQ(calls.size(), 200u);  // at entry, then every 6 s: 100 places
        std::set<std::pair<int, int>> places;
        int mostX = 0;
        int mostY = 0;
        for (std::size_t i = 0; i < calls.size(); i += 2) {
            const TextCall& first = calls[i];
            const TextCall& second = calls[i + 1];
            EXPECT_EQ(first.text, "Power Save - The Orvane is suspended");
            EXPECT_EQ(second.text, c.secondLine);
            EXPECT_EQ(second.x, first.x);
            EXPECT_EQ(second.y, first.y + 16);
            EXPECT_GE(first.x, 0);
            EXPECT_LE(first.x, 1280 - 529);
            EXPECT_GE(first.y, 0);
            EXPECT_LT(first.y, 720);
            places.insert({first.x, first.y});
            mostX = std::max(mostX, first.x);
            mostY = std::max(mostY, first.y);
            if (i > 0) {
                const std::uint32_t gap = first.atMs - calls[i - 2].atMs;
                EXPECT_GT(gap, 6000u);
                EXPECT_LE(gap, 6100u);
            }
        }
        EXPECT_EQ(places.size(), 100u);
        // x is drawn from the whole width less 528: of 100 places, one comes near 751.
        EXPECT_GT(mostX, 1280 - 529 - 60);
        EXPECT_GT(mostY, 720 - 60);
        int textRecords = 0;
        for (const DrawRecord& r : p.vs.platform.window(0).records()) {
            if (r.kind == DrawRecord::Kind::Text) {
                ++textRecords;
                EXPECT_EQ(r.textColour, rgb(0, 128, 0));
                EXPECT_FALSE(r.opaque);
                EXPECT_EQ(r.area.height(), 18);  // 12 points at 96 dpi: a 16-pixel font
            }
        }
        EXPECT_EQ(textRecords, 200);
        // Only the last place shows: each redraw clears the window first.
        const TextCall& last = calls[calls.size() - 2];
        int litOutsideLast = 0;
        const PixelPicture image = p.vs.platform.window(0).snapshot();
        for (int y = 0; y < 720; ++y) {
            for (int x = 0; x < 1280; ++x) {
                const bool nearLast =
                    x >= last.x && x < last.x + 560 && y >= last.y && y < last.y + 40;
                litOutsideLast += !nearLast && (image.pixel(x, y) & 0xFFFFFF) != 0;
            }
        }
        EXPECT_EQ(litOutsideLast, 0);
    }
}

TEST(PowerSave, InputOtherThanEscapeOrTheLeftButtonResumesTheRain) {
    struct Case {
        const char* what;
        std::function<void(VirtualPlatform&)> input;  // at 70 s
    };
    const Case cases[] = {
        {"mouse move",
         [](VirtualPlatform& v) {
             v.scriptMouseMove(70000, 0, {300, 300});
         }},
        {"key", [](VirtualPlatform& v) { v.scriptKeyRelease(70000, 0, 'A'); }},
        {"right button",
         [](VirtualPlatform& v) { v.scriptButtonPress(70000, 0, MouseButton::Right); }},
    };
    for (const Case& c : cases) {
        PhaseShow p({VirtualMonitor{0, 0, 640, 400}}, [](Settings& s) {
            s.suspendTimeout = 1;
            s.useEscapeLmbExit = true;
        });
        c.input(p.vs.platform);
        // Whatever the screen showed then (the message may stand at any place), every pixel
        // goes black at the resume.
        p.vs.platform.scriptAction(69990, [&] {
            p.vs.platform.window(0).setContent(PixelPicture(640, 400, 0xFFFFFFFFu));
        });
        std::uint32_t firstCopyAfterResume = 0;
        p.watched[0]->onCopy = [&] {
            const std::uint32_t now = p.vs.platform.elapsedMs();
            if (now >= 70000 && firstCopyAfterResume == 0) {
                firstCopyAfterResume = now;
                // The resume filled the window black before the rain came back.
                EXPECT_EQ(litPixels(p.vs.platform.window(0)), 0) << c.what;
            }
        };
        const std::uint32_t end = p.runUntil(135000);
        EXPECT_GE(end, 135000u) << c.what;
        EXPECT_LT(end, 135100u) << c.what;
        EXPECT_GE(firstCopyAfterResume, 70000u) << c.what;
        EXPECT_LT(firstCopyAfterResume, 70250u) << c.what;
        // The idle time starts again at the resume: the next power save a minute later.
        std::vector<std::uint32_t> entries;
        for (const TextCall& t : p.textsOf(0)) {
            if (entries.empty() || t.atMs - entries.back() > 20000) {
                entries.push_back(t.atMs);
            }
        }
        ASSERT_EQ(entries.size(), 2u) << c.what;
        EXPECT_GT(entries[1], firstCopyAfterResume + 60000 - 250) << c.what;
        EXPECT_LT(entries[1], firstCopyAfterResume + 60000 + 100) << c.what;
    }
}

TEST(PowerSave, OtherInputEndsTheShow) {
    struct Case {
        const char* what;
        bool useEscapeLmbExit;
        std::function<void(VirtualPlatform&)> input;  // at 70 s
    };
    const Case cases[] = {
        {"mouse move", false,
         [](VirtualPlatform& v) {
             v.scriptMouseMove(70000, 0, {9, 9});
         }},
        {"key", false, [](VirtualPlatform& v) { v.scriptKeyRelease(70000, 0, 'A'); }},
        {"escape", true, [](VirtualPlatform& v) { v.scriptKeyRelease(70000, 0, 27); }},
        {"left button", true,
         [](VirtualPlatform& v) { v.scriptButtonPress(70000, 0, MouseButton::Left); }},
    };
    for (const Case& c : cases) {
        PhaseShow p({VirtualMonitor{0, 0, 640, 400}}, [&](Settings& s) {
            s.suspendTimeout = 1;
            s.useEscapeLmbExit = c.useEscapeLmbExit;
        });
        c.input(p.vs.platform);
        const std::uint32_t end = p.runUntil(200000);
        EXPECT_GE(end, 70000u) << c.what;
        EXPECT_LT(end, 70200u) << c.what;
        EXPECT_EQ(p.texts.size(), 4u) << c.what;  // at entry and 6 s later
    }
}

TEST(PowerSave, ActivityWhileRainingRestartsTheIdleTime) {
    PhaseShow p({VirtualMonitor{0, 0, 320, 200}}, [](Settings& s) {
        s.suspendTimeout = 1;
        s.useEscapeLmbExit = true;
    });
    p.vs.platform.scriptMouseMove(30000, 0, {100, 100});
    p.runUntil(95000);
    ASSERT_FALSE(p.texts.empty());
    EXPECT_GT(p.texts.front().atMs, 90000u);
    EXPECT_LT(p.texts.front().atMs, 90150u);
}

}  // namespace
}  // namespace orvane
