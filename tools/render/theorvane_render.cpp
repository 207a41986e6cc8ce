// theorvane-render: plays the real show on the virtual platform, without a display, and writes
// PNG pictures of chosen monitors at chosen virtual times. The same options give the same
// pictures, byte for byte, on every run.
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/ini_file.h"
#include "host/settings.h"
#include "platform/image/image_canvas.h"
#include "platform/virtual/virtual_show.h"

namespace {

using orvane::VirtualMonitor;

constexpr const char* kUsage = R"(Usage: theorvane-render [options]
Plays the show on a virtual machine and writes PNG pictures of its monitors.

  --monitors WxH[+X+Y],...   monitors in system order (default 1920x1080)
  --settings FILE            a TheOrvane.ini to play with (default: every default)
  --seed N                   random seed: milliseconds since midnight UTC (default 0)
  --start-tick N             the tick count when the show starts (default 0)
  --at T,T,...               times to take pictures at, e.g. 1.5s,12s,400ms,2m
  --every T --from T --to T  a picture every T between two times
  --screens I,I,...          the monitors to picture (default all)
  --out DIR                  folder for the pictures (default .)
  --prefix NAME              file name start (default frame): NAME-m<monitor>-<ms>.png
  --desktop FILE             the picture the screens show when the show starts
  --user NAME                the logged-on user's name (default alex)
  --local-time YYYY-MM-DDTHH:MM:SS   the local date and time (default 2026-12-07T09:05:03)
  --phases                   also print when each part of the show begins
)";

const char* phaseName(orvane::ShowPhase phase) {
    switch (phase) {
    case orvane::ShowPhase::LowColourWarning: return "low-colour warning";
    case orvane::ShowPhase::Opening: return "opening";
    case orvane::ShowPhase::Title: return "title";
    case orvane::ShowPhase::TitlePause: return "pause";
    case orvane::ShowPhase::TraceProgram: return "trace program";
    case orvane::ShowPhase::PhoneTrace: return "phone trace";
    case orvane::ShowPhase::WakeUpMessages: return "wake-up messages";
    case orvane::ShowPhase::Rain: return "rain";
    case orvane::ShowPhase::PowerSave: return "power save";
    }
    return "?";
}

[[noreturn]] void fail(const std::string& message) {
    std::cerr << "theorvane-render: " << message << "\n" << kUsage;
    std::exit(2);
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == separator) {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

long long parseNumber(const std::string& text, const char* what) {
    try {
        std::size_t used = 0;
        const long long value = std::stoll(text, &used, 0);
        if (used == text.size()) {
            return value;
        }
    } catch (...) {
    }
    fail(std::string("not a number for ") + what + ": " + text);
}

// A time as microseconds: "1.5s", "400ms", "2m", or plain milliseconds.
std::uint64_t parseTime(const std::string& text) {
    double scale = 1000.0;  // plain numbers are milliseconds
    std::string number = text;
    if (text.size() > 2 && text.ends_with("ms")) {
        number = text.substr(0, text.size() - 2);
    } else if (!text.empty() && text.back() == 's') {
        number = text.substr(0, text.size() - 1);
        scale = 1e6;
    } else if (!text.empty() && text.back() == 'm') {
        number = text.substr(0, text.size() - 1);
        scale = 60e6;
    }
    try {
        std::size_t used = 0;
        const double value = std::stod(number, &used);
        if (used == number.size() && value >= 0 && value < 1e7) {
            return static_cast<std::uint64_t>(value * scale + 0.5);
        }
    } catch (...) {
    }
    fail("not a time: " + text);
}

VirtualMonitor parseMonitor(const std::string& text) {
    VirtualMonitor m;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%dx%d%n", &m.width, &m.height, &consumed) != 2) {
        fail("not a monitor (WxH or WxH+X+Y): " + text);
    }
    if (consumed != static_cast<int>(text.size()) &&
        std::sscanf(text.c_str() + consumed, "%d%d", &m.left, &m.top) != 2) {
        fail("not a monitor position: " + text);
    }
    if (m.width < 1 || m.height < 1 || m.width > 16384 || m.height > 16384) {
        fail("monitor size out of range: " + text);
    }
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);

    std::vector<VirtualMonitor> monitors{VirtualMonitor{0, 0, 1920, 1080}};
    std::optional<std::filesystem::path> settingsFile;
    std::uint32_t seed = 0;
    std::uint32_t startTick = 0;
    std::set<std::uint64_t> times;
    std::optional<std::uint64_t> every, from, to;
    std::optional<std::set<int>> screens;
    std::filesystem::path out = ".";
    std::string prefix = "frame";
    std::optional<QString> desktop;
    std::string user = "alex";
    orvane::LocalDateTime localTime{2026, 12, 7, 9, 5, 3};

    bool printPhases = false;
    const QStringList arguments = app.arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        const std::string option = arguments[i].toStdString();
        if (option == "--help" || option == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (option == "--phases") {
            printPhases = true;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            fail("missing value for " + option);
        }
        const std::string value = arguments[++i].toStdString();
        if (option == "--monitors") {
            monitors.clear();
            for (const std::string& m : split(value, ',')) monitors.push_back(parseMonitor(m));
        } else if (option == "--settings") {
            settingsFile = value;
        } else if (option == "--seed") {
            seed = static_cast<std::uint32_t>(parseNumber(value, "--seed"));
        } else if (option == "--start-tick") {
            startTick = static_cast<std::uint32_t>(parseNumber(value, "--start-tick"));
        } else if (option == "--at") {
            for (const std::string& t : split(value, ',')) times.insert(parseTime(t));
        } else if (option == "--every") {
            every = parseTime(value);
        } else if (option == "--from") {
            from = parseTime(value);
        } else if (option == "--to") {
            to = parseTime(value);
        } else if (option == "--screens") {
            screens.emplace();
            for (const std::string& s : split(value, ',')) {
                screens->insert(static_cast<int>(parseNumber(s, "--screens")));
            }
        } else if (option == "--out") {
            out = value;
        } else if (option == "--prefix") {
            prefix = value;
        } else if (option == "--desktop") {
            desktop = QString::fromStdString(value);
        } else if (option == "--user") {
            user = value;
        } else if (option == "--local-time") {
            if (std::sscanf(value.c_str(), "%d-%d-%dT%d:%d:%d", &localTime.year, &localTime.month,
                            &localTime.day, &localTime.hour, &localTime.minute,
                            &localTime.second) != 6) {
                fail("not a local time: " + value);
            }
        } else {
            fail("unknown option " + option);
        }
    }
    if (every) {
        if (*every == 0) fail("--every must be more than 0");
        const std::uint64_t end = to.value_or(from.value_or(0) + 10'000'000);
        for (std::uint64_t t = from.value_or(0); t <= end; t += *every) times.insert(t);
    }
    if (times.empty()) {
        fail("no times given (--at or --every)");
    }

    orvane::VirtualShow vs(monitors, startTick);
    if (settingsFile) {
        vs.settings = orvane::loadSettings(orvane::IniFile::load(*settingsFile));
    }
    vs.platform.utcMsSinceMidnight = seed;
    vs.platform.localTime = localTime;
    vs.platform.userName = user;
    if (desktop) {
        const QImage picture(*desktop);
        if (picture.isNull()) fail("cannot read the desktop picture " + desktop->toStdString());
        for (int i = 0; i < vs.platform.windowCount(); ++i) {
            const VirtualMonitor& m = vs.platform.window(i).monitor();
            vs.platform.window(i).setContent(orvane::fromQImage(picture.copy(m.left, m.top, m.width, m.height)));
        }
    }
    std::error_code error;
    std::filesystem::create_directories(out, error);

    int written = 0;
    bool failed = false;
    const std::uint64_t last = *times.rbegin();
    for (const std::uint64_t t : times) {
        vs.platform.atElapsed(t, [&, t] {
            for (int i = 0; i < vs.platform.windowCount(); ++i) {
                if (screens && !screens->contains(i)) continue;
                const auto file = out / (prefix + "-m" + std::to_string(i) + "-" +
                                         std::to_string(t / 1000) + ".png");
                if (orvane::toQImage(vs.platform.window(i).snapshot()).save(QString::fromStdString(file.string()))) {
                    std::cout << file.string() << "\n";
                    ++written;
                } else {
                    std::cerr << "theorvane-render: cannot write " << file << "\n";
                    failed = true;
                }
            }
            if (t == last) vs.control.requestStop();
        });
    }
    if (printPhases) {
        vs.control.phaseListener = [&vs](orvane::ShowPhase phase) {
            std::cout << "phase " << phaseName(phase) << " at " << vs.platform.elapsedMs()
                      << " ms\n";
        };
    }
    vs.play();
    return failed || written == 0 ? 1 : 0;
}
