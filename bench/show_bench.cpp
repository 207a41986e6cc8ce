// The show's other costs: a title step, a pass of the phone trace, the About box's gradient.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include "intro/phone_trace.h"
#include "intro/title_window.h"
#include "platform/virtual/virtual_show.h"
#include "widgets/gradient_style.h"

namespace orvane {
namespace {

// One title step on a 1920 x 1080 window, over a whole title: the phase calls it as often as
// it can, so its cost is what the title costs the processor.
void titleStep(benchmark::State& state) {
    std::int64_t steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        VirtualShow vs({VirtualMonitor{0, 0, 1920, 1080}});
        vs.platform.utcMsSinceMidnight = 7;
        ShowSequencer& show = vs.show();
        auto title = std::make_unique<TitleWindow>(show, show.windows[0]);
        state.ResumeTiming();
        while (!show.windows[0].phaseDone) {
            title->step();
            vs.platform.advance(1000);  // the loop's own pace: about a step a millisecond
            ++steps;
        }
    }
    state.counters["step"] = benchmark::Counter(static_cast<double>(steps),
                                                benchmark::Counter::kIsRate |
                                                    benchmark::Counter::kInvert);
}
BENCHMARK(titleStep)->Unit(benchmark::kMillisecond)->Iterations(2);

// The phone trace on 1920 x 1080, per pass of its loop (each pass ends with a 1 ms sleep).
void phoneTracePass(benchmark::State& state) {
    std::int64_t passes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        VirtualShow vs({VirtualMonitor{0, 0, 1920, 1080}});
        ShowSequencer& show = vs.show();
        const int sleepsBefore = vs.platform.sleepCount();
        state.ResumeTiming();
        phoneTrace(show, *show.showDC, show.showWidth, show.showHeight);
        passes += vs.platform.sleepCount() - sleepsBefore;
    }
    state.counters["pass"] = benchmark::Counter(static_cast<double>(passes),
                                                benchmark::Counter::kIsRate |
                                                    benchmark::Counter::kInvert);
}
BENCHMARK(phoneTracePass)->Unit(benchmark::kMillisecond)->Iterations(1);

// The About box's background: 440 x 302, green to black, 8-pixel border, 30 degrees.
void gradientRender(benchmark::State& state) {
    GradientStyle style;
    style.startColour = rgb(0, 128, 0);
    style.endColour = kBlack;
    style.borderThickness = 8;
    Bgr24Picture image(440, 302);
    for (auto _ : state) {
        benchmark::DoNotOptimize(renderGradient(style, image));
    }
}
BENCHMARK(gradientRender)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orvane

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
