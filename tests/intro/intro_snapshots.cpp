// Plays each intro sequence on the virtual platform, saves pictures of chosen moments as PNGs
// and prints how long each sequence took in virtual time. For looking at, not a test:
//   intro_snapshots [folder]   (default /tmp)
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <functional>
#include <string>

#include "intro/phone_trace.h"
#include "intro/trace_program.h"
#include "intro/wake_up_messages.h"
#include "platform/image/image_canvas.h"
#include "platform/virtual/virtual_show.h"
#include "show/text_ops.h"

namespace orvane {
namespace {

using Sequence = std::function<void(ShowSequencer&, Canvas&, int, int)>;

// Plays one sequence; shots are (virtual ms, file) pairs or taken by the watch when it
// returns a file name at a pump.
std::uint32_t play(const char* name, const Sequence& sequence, const std::string& folder,
                   std::vector<std::pair<std::uint32_t, std::string>> timedShots,
                   std::function<std::string(WindowPicture&)> watch = {},
                   std::function<void(VirtualShow&)> before = {}) {
    VirtualShow vs({VirtualMonitor{0, 0, 800, 600}});
    vs.settings.dateTimeMode = 1;
    vs.settings.userMode = 2;
    vs.settings.userName = "jonas";
    ShowSequencer& show = vs.show();
    WindowPicture& window = vs.platform.window(0);
    window.setLogging(static_cast<bool>(watch));
    for (const auto& [atMs, file] : timedShots) {
        vs.platform.scriptAction(atMs, [&window, path = folder + "/" + file] {
            toQImage(window.snapshot()).save(QString::fromStdString(path));
            std::printf("  saved %s\n", path.c_str());
        });
    }
    if (watch) {
        vs.platform.onPump = [&] {
            const std::string file = watch(window);
            window.clearRecords();
            if (!file.empty()) {
                const std::string path = folder + "/" + file;
                toQImage(window.snapshot()).save(QString::fromStdString(path));
                std::printf("  saved %s at %u ms\n", path.c_str(), vs.platform.elapsedMs());
            }
        };
    }
    if (before) {
        before(vs);
    }
    sequence(show, *show.showDC, show.showWidth, show.showHeight);
    std::printf("%s: %u ms\n", name, vs.platform.elapsedMs());
    return vs.platform.elapsedMs();
}

}  // namespace
}  // namespace orvane

int main(int argc, char** argv) {
    using namespace orvane;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    const std::string folder = argc > 1 ? argv[1] : "/tmp";

    // The call log line just typed, its cursor on: the first pump after its last character.
    bool callLogTaken = false;
    play("trace program", traceProgram, folder, {},
         [&](WindowPicture& window) -> std::string {
             for (const DrawRecord& r : window.records()) {
                 if (!callLogTaken && r.kind == DrawRecord::Kind::Text && r.text.ends_with("REC:Log>")) {
                     callLogTaken = true;
                     return "intro_call_log.png";
                 }
             }
             return {};
         });

    play("phone trace", phoneTrace, folder,
         {{12000, "intro_phone_half.png"}, {23000, "intro_phone_nine.png"},
          {24500, "intro_phone_complete.png"}});

    bool orvaneTaken = false;
    play("wake-up messages", wakeUpMessages, folder, {},
         [&](WindowPicture& window) -> std::string {
             for (const DrawRecord& r : window.records()) {
                 if (!orvaneTaken && r.text == kOrvaneMessage) {
                     orvaneTaken = true;
                     return "intro_wake_up_2.png";
                 }
             }
             return {};
         },
         [](VirtualShow& vs) {
             // What the first message's typing will draw from the generator: one random part
             // for each character not followed by the same one.
             Random replay = vs.show().random();
             const std::string first = wakeUpMessage(displayedName(vs.settings, vs.platform));
             std::uint32_t typingMs = 0;
             for (std::size_t i = 0; i < first.size(); ++i) {
                 typingMs += kWakeUpBaseDelayMs;
                 if (i + 1 == first.size() || first[i + 1] != first[i]) {
                     typingMs += static_cast<std::uint32_t>(replay(kWakeUpRandomRangeMs));
                 }
             }
             std::printf("  implied: %u ms typing \"%s\" + 6040 + 3600 + 11000 = %u ms\n",
                         typingMs, first.c_str(), typingMs + 6040 + 3600 + 11000);
         });
    return 0;
}
