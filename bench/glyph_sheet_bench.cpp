// Building the glyph sheet and the tint colours, as every show does when it starts.
#include <benchmark/benchmark.h>

#include "host/settings.h"
#include "show/glyph_sheet.h"

namespace orvane {
namespace {

GlyphPicture greyRamp() {
    GlyphPicture picture;
    for (std::size_t i = 0; i < picture.grey.size(); ++i) {
        picture.grey[i] = static_cast<std::uint8_t>(i * 7);
    }
    return picture;
}

void buildGlyphSheetAndColours(benchmark::State& state) {
    const GlyphPicture picture = greyRamp();
    const Settings settings;
    for (auto _ : state) {
        Surface sheet = buildGlyphSheet(picture, settings);
        TintColours colours = makeTintColours(settings);
        benchmark::DoNotOptimize(sheet.row(999));
        benchmark::DoNotOptimize(colours);
    }
}

BENCHMARK(buildGlyphSheetAndColours)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orvane

BENCHMARK_MAIN();
