// One rain frame on an off-screen window in steady state: 30 s of virtual time after set-up,
// frames 40 ms apart, the cell copies into the window's picture included. The window's
// changed areas are taken after every frame (outside the timing), as a present would.
#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include "platform/virtual/virtual_show.h"
#include "rain/rain_window.h"

namespace orvane {
namespace {

constexpr std::uint64_t kFrameUs = 40000;
constexpr int kWarmUpFrames = 30000 / 40;

void rainFrameStep(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    VirtualShow vs({VirtualMonitor{0, 0, width, height}}, 1000000);
    vs.platform.utcMsSinceMidnight = 31337;
    vs.settings.densityFraction = static_cast<double>(state.range(2)) / 10.0;
    ShowSequencer& show = vs.show();
    RainWindow rain(show, show.windows[0]);
    VirtualWindow& window = vs.platform.window(0);
    for (int i = 0; i < kWarmUpFrames; ++i) {
        vs.platform.advance(kFrameUs);
        rain.step();
        window.takeDamage();
    }
    const std::uint64_t shownBefore = rain.cellsShown;
    std::uint64_t interchanges = 0;
    for (auto _ : state) {
        rain.step();
        state.PauseTiming();
        interchanges += rain.interchanges.size();
        vs.platform.advance(kFrameUs);
        window.takeDamage();
        state.ResumeTiming();
    }
    state.counters["cells/frame"] = benchmark::Counter(
        static_cast<double>(rain.cellsShown - shownBefore), benchmark::Counter::kAvgIterations);
    state.counters["pending"] =
        benchmark::Counter(static_cast<double>(interchanges), benchmark::Counter::kAvgIterations);
    state.counters["runs"] = static_cast<double>(rain.activeRuns);
}

// 30 s of rain measured after the 30 s of warm-up: the spot rate swings over 100 s, so a
// fixed span keeps the figures comparable from run to run. The small window, whose surface
// and picture stay in the cache, shows what a cell costs when memory does not wait.
BENCHMARK(rainFrameStep)
    ->ArgNames({"width", "height", "density"})
    ->Args({640, 360, 10})
    ->Args({1920, 1080, 4})
    ->Args({1920, 1080, 10})
    ->Args({3840, 2160, 4})
    ->Args({3840, 2160, 10})
    ->Iterations(kWarmUpFrames)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orvane

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
