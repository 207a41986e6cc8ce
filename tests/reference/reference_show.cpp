#include "reference/reference_show.h"

#include <iostream>
#include <set>

#include "platform/virtual/virtual_show.h"
#include "reference/text_layer.h"
#include "show/show_sequencer.h"

namespace orvane::reference {

namespace {

// Start 20 s before the tick count wraps: the intro crosses the wrap.
constexpr std::uint32_t kStartTick = 0xFFFFFFFFu - 20000u;
constexpr std::uint32_t kSeed = 43'210'987;  // ms since midnight UTC: 12:00:10.987
constexpr LocalDateTime kLocalTime{2026, 12, 7, 9, 5, 3};
constexpr const char* kLoggedOnUser = "alex";
constexpr int kDesktopTilePx = 40;

// Every setting written out, so that a change of a default shows as a change of the settings,
// not of the pictures.
Settings fixedSettings() {
    Settings s;
    s.phoneNumber = "5550690";
    s.userName = "Ada";
    s.userMode = 2;
    s.dateTimeMode = 0;
    s.showIntro = true;
    s.showTitle = true;
    s.tintR = 80;
    s.tintG = 248;
    s.tintB = 7;
    s.highlightR = 230;
    s.highlightG = 253;
    s.highlightB = 157;
    s.overallSpeed = 2400;
    s.densityFraction = 0.4;
    s.variance = 130;
    s.suspendTimeout = 1;
    s.useEscapeLmbExit = false;
    return s;
}

const char* phaseName(ShowPhase phase) {
    switch (phase) {
    case ShowPhase::LowColourWarning: return "low-colour-warning";
    case ShowPhase::Opening: return "opening";
    case ShowPhase::Title: return "title";
    case ShowPhase::TitlePause: return "title-pause";
    case ShowPhase::TraceProgram: return "trace-program";
    case ShowPhase::PhoneTrace: return "phone-trace";
    case ShowPhase::WakeUpMessages: return "wake-up-messages";
    case ShowPhase::Rain: return "rain";
    case ShowPhase::PowerSave: return "power-save";
    }
    return "unknown";
}

const VirtualMonitor kPrimary{0, 0, 640, 480};
const VirtualMonitor kSecond{640, 0, 400, 300};

}  // namespace

std::string momentName(std::uint32_t ms) {
    std::string digits = std::to_string(ms);
    return std::string(digits.size() < 7 ? 7 - digits.size() : 0, '0') + digits;
}

PixelPicture desktopPicture(const VirtualMonitor& monitor) {
    // Tiles of a few colours with a light diagonal band: edges everywhere for the wipe to cover,
    // and few enough colours for a small palette picture.
    PixelPicture picture(monitor.width, monitor.height);
    for (int y = 0; y < monitor.height; ++y) {
        for (int x = 0; x < monitor.width; ++x) {
            const int dx = monitor.left + x;
            const int dy = monitor.top + y;
            const int tx = dx / kDesktopTilePx;
            const int ty = dy / kDesktopTilePx;
            std::uint32_t colour = pixelOf(40 * (tx % 6), 40 * (ty % 6), 90 + 30 * ((tx + ty) % 3));
            if (((dx + dy) / 24) % 9 == 0) {
                colour = pixelOf(230, 230, 210);
            }
            picture.setPixel(x, y, colour);
        }
    }
    return picture;
}

Settings runSettings(const ShowRun& run) {
    Settings settings = fixedSettings();
    if (run.adjust) {
        run.adjust(settings);
    }
    return settings;
}

bool playReferenceRun(const ShowRun& run, ReferenceRun& references, const RunWindows* elsewhere) {
    VirtualShow vs(run.monitors, kStartTick, run.bitsPerPixel);
    const auto pictureOf = [&](int i) -> WindowPicture& {
        if (elsewhere != nullptr) {
            return *elsewhere->windows.at(static_cast<std::size_t>(i))->shownPicture();
        }
        return vs.platform.window(i);
    };
    if (elsewhere != nullptr) {
        vs.drawIn.assign(elsewhere->windows.begin(), elsewhere->windows.end());
    }
    vs.settings = runSettings(run);
    vs.platform.utcMsSinceMidnight = kSeed;
    vs.platform.localTime = kLocalTime;
    vs.platform.userName = kLoggedOnUser;
    // Each window's text, followed from its drawing records, for the rows with text.
    std::vector<TextLayer> texts;
    for (int i = 0; i < vs.platform.windowCount(); ++i) {
        WindowPicture& window = pictureOf(i);
        window.setContent(desktopPicture(run.monitors.at(static_cast<std::size_t>(i))));
        window.setLogging(true);
        texts.emplace_back(window.width(), window.height());
    }

    std::string phase = "start";
    vs.control.phaseListener = [&phase](ShowPhase entered) { phase = phaseName(entered); };

    std::set<std::uint32_t> moments;
    for (const Stretch& s : run.stretches) {
        for (std::uint32_t t = s.fromMs; t <= s.toMs; t += s.stepMs) moments.insert(t);
    }
    for (const auto& [t, window] : run.keyPictures) moments.insert(t);
    const std::set<std::pair<std::uint32_t, int>> keys(run.keyPictures.begin(),
                                                       run.keyPictures.end());
    const std::uint32_t last = moments.empty() ? 0 : *moments.rbegin();
    bool reachedLast = false;
    for (const std::uint32_t t : moments) {
        vs.platform.atElapsed(std::uint64_t{t} * 1000, [&, t] {
            if (elsewhere != nullptr && elsewhere->atMoment) {
                elsewhere->atMoment(t);
            }
            for (int i = 0; i < vs.platform.windowCount(); ++i) {
                WindowPicture& window = pictureOf(i);
                TextLayer& text = texts[static_cast<std::size_t>(i)];
                text.apply(window.records());
                window.clearRecords();
                PixelPicture picture = window.snapshot();
                std::string textForm = text.looseDigest(picture);
                if (!references.check(momentName(t), "m" + std::to_string(i), phase,
                                      std::move(picture), keys.contains({t, i}),
                                      std::move(textForm))) {
                    vs.control.requestStop();
                    return;
                }
            }
            if (t == last) {
                reachedLast = true;
                vs.control.requestStop();
            }
        });
    }
    // The pointer goes back and forth by 100 pixels: each move is more than 5 pixels.
    int move = 0;
    for (const std::uint32_t at : run.mouseMovesMs) {
        const int x = 200 + (move++ % 2) * 100;
        vs.platform.scriptMouseMove(at, 0, {x, 200});
    }
    if (!moments.empty()) {
        vs.play();
    }
    if (!reachedLast && !references.failed()) {
        // A show that ends early records nothing, so a blessing cannot drop moments unseen.
        std::cerr << "reference run '" << run.name << "' ended at " << vs.platform.elapsedMs()
                  << " ms, before its last moment " << last << " ms\n";
        return false;
    }
    return references.finish();
}

}  // namespace orvane::reference

namespace orvane::reference {

// Moments are fixed times of the virtual clock; the comments give the phases the fixed
// settings play then (the opening wipe lasts a few milliseconds of virtual time: it is paced by
// its own passes, not by sleeps). Every run ends after its last moment.
const std::vector<ShowRun>& referenceShowRuns() {
    const auto noIntro = [](Settings& s) {
        s.showTitle = false;
        s.showIntro = false;
    };
    static const std::vector<ShowRun> runs = {
        // Everything on two monitors: wipe 0-8 ms, title to 6.9 s, pause, trace program from
        // 7.2 s, phone trace from 19.5 s, wake-up messages from 45.2 s, rain from 68.5 s, power
        // save from 128.6 s with its message moving every 6 s.
        {"full",
         {kPrimary, kSecond},
         32,
         {},
         {{0, 10, 1}, {100, 68400, 100}, {68520, 69500, 40}, {70000, 127000, 3000},
          {128600, 141600, 1000}},
         {{4, 0}, {4, 1}, {3000, 0}, {6000, 0}, {6900, 0}, {6900, 1}, {16000, 0}, {30000, 0}, {44000, 0},
          {49000, 0}, {66000, 0}, {100000, 0}, {100000, 1}, {129000, 0}, {129000, 1}},
         {}},
        // One monitor, no title and no intro, and only Escape and the left button end the show:
        // wipe, rain from 5 ms, power save from 60 s with the other line (its first place is
        // below the window with this seed, the second at 66 s is not), a move of the pointer
        // resumes the rain at 75 s.
        {"plain-one-monitor",
         {kPrimary},
         32,
         [noIntro](Settings& s) {
             noIntro(s);
             s.useEscapeLmbExit = true;
         },
         {{0, 6, 1}, {40, 2000, 40}, {4000, 58000, 6000}, {60100, 74100, 1000}, {75000, 78000, 100}},
         {{67000, 0}, {78000, 0}},
         {75000}},
        // The fixed name and the current date in the call log, on one monitor: trace program
        // from 5 ms, phone trace from 12.4 s, wake-up messages from 38.1 s to 61.1 s.
        {"fixed-name-current-date",
         {kPrimary},
         32,
         [](Settings& s) {
             s.showTitle = false;
             s.userMode = 0;
             s.dateTimeMode = 1;
         },
         {{100, 61000, 250}},
         {{8000, 0}, {42000, 0}},
         {}},
        // The logged-on user's name: the wake-up messages from 38.1 s.
        {"logged-on-name",
         {kPrimary},
         32,
         [](Settings& s) {
             s.showTitle = false;
             s.userMode = 1;
         },
         {{38000, 61000, 250}},
         {{42000, 0}},
         {}},
        // The rain's ranges at their lowest: one column in ten, every run at the same speed, the
        // slowest heads, other colours.
        {"sparse-even-slow",
         {kPrimary, kSecond},
         32,
         [noIntro](Settings& s) {
             noIntro(s);
             s.densityFraction = 0.1;
             s.variance = 0;
             s.overallSpeed = 4000;
             s.tintR = 30;
             s.tintG = 144;
             s.tintB = 255;
             s.highlightR = s.highlightG = s.highlightB = 255;
         },
         {{40, 2000, 40}, {2500, 20000, 500}},
         {{20000, 0}},
         {}},
        // And at their highest: every column busy, the widest spread of speeds, the fastest heads.
        {"dense-wild-fast",
         {kPrimary, kSecond},
         32,
         [noIntro](Settings& s) {
             noIntro(s);
             s.densityFraction = 1.0;
             s.variance = 200;
             s.overallSpeed = 400;
         },
         {{40, 2000, 40}, {2500, 20000, 500}},
         {{20000, 0}},
         {}},
        // An 8-bit display: the warning stays on top of the title and the rain.
        {"low-colour",
         {kPrimary},
         8,
         [](Settings& s) { s.showIntro = false; },
         {{0, 8, 1}, {100, 7000, 250}, {7500, 10000, 500}},
         {{1, 0}},
         {}},
    };
    return runs;
}

}  // namespace orvane::reference
