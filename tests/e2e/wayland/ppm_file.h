// A picture as a binary PPM, for the scripts to hold against what the compositor shows.
#pragma once

#include <cstdio>
#include <string>

#include "platform/common/window_picture.h"

inline bool writePpm(const std::string& file, const orvane::PixelPicture& picture) {
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    std::fprintf(out, "P6\n%d %d\n255\n", picture.width, picture.height);
    for (const std::uint32_t pixel : picture.pixels) {
        const unsigned char rgb[3] = {static_cast<unsigned char>(pixel >> 16),
                                      static_cast<unsigned char>(pixel >> 8),
                                      static_cast<unsigned char>(pixel)};
        std::fwrite(rgb, 1, 3, out);
    }
    return std::fclose(out) == 0;
}
