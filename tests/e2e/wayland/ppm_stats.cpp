// Counts what a screenshot (binary PPM, as grim writes it) shows, for the Wayland scripts:
// prints "WIDTH HEIGHT GREEN MAGENTA BLUE", the pixels of the rain (green clearly above red
// and blue), of the test desktop's bar (magenta) and of its background (blue).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ppm_stats FILE.ppm\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::string magic;
    int width = 0;
    int height = 0;
    int maximum = 0;
    in >> magic >> width >> height >> maximum;
    in.get();  // the one white space before the pixels
    if (!in || magic != "P6" || maximum != 255 || width <= 0 || height <= 0) {
        std::fprintf(stderr, "ppm_stats: %s is not an 8-bit binary PPM\n", argv[1]);
        return 1;
    }
    const std::vector<unsigned char> pixels((std::istreambuf_iterator<char>(in)),
                                            std::istreambuf_iterator<char>());
    if (pixels.size() < std::size_t{3} * width * height) {
        std::fprintf(stderr, "ppm_stats: %s is cut short\n", argv[1]);
        return 1;
    }
    long green = 0;
    long magenta = 0;
    long blue = 0;
    for (std::size_t i = 0; i < std::size_t{3} * width * height; i += 3) {
        const int r = pixels[i];
        const int g = pixels[i + 1];
        const int b = pixels[i + 2];
        if (g > 60 && g > r + 20 && g > b + 20) {
            ++green;
        } else if (r > 200 && b > 200 && g < 60) {
            ++magenta;
        } else if (b > 200 && r < 60 && g < 60) {
            ++blue;
        }
    }
    std::printf("%d %d %ld %ld %ld\n", width, height, green, magenta, blue);
    return 0;
}
