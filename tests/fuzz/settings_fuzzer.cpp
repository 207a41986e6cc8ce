// libFuzzer target: any bytes as the settings file load without a crash or a sanitizer report,
// with every value inside its range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "support/settings_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!orvane::test::settingsLoadSoundly(
            std::string_view(reinterpret_cast<const char*>(data), size))) {
        std::abort();
    }
    return 0;
}
