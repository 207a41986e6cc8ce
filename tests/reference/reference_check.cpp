#include "reference/reference_check.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "reference/fnv.h"

namespace orvane::reference {

namespace fs = std::filesystem;

const char* thisBuild() {
#ifdef _WIN32
    return "gdi";
#else
    return "qt";
#endif
}

bool blessing() {
    const char* value = std::getenv("ORVANE_BLESS_REFERENCES");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

std::uint64_t digest(const PixelPicture& picture) {
    // FNV-1a over 32-bit words, then a final mix so that every bit of the result depends on
    // every word. Each step is a bijection of the state, so one changed pixel always shows.
    std::uint64_t h = fnv(fnv(kFnvOffsetBasis, static_cast<std::uint32_t>(picture.width)),
                          static_cast<std::uint32_t>(picture.height));
    for (const std::uint32_t p : picture.pixels) {
        h = fnv(h, p & 0xFFFFFFu);
    }
    h ^= h >> 30;
    h *= 0xbf58476d1ce4e5b9ull;
    h ^= h >> 27;
    h *= 0x94d049bb133111ebull;
    h ^= h >> 31;
    return h;
}

std::string digestText(std::uint64_t value) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = kHex[value & 0xF];
        value >>= 4;
    }
    return text;
}

// --- PNG --------------------------------------------------------------------------------

namespace {

constexpr std::array<unsigned char, 8> kPngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

void putU32(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v >> 24));
    out.push_back(static_cast<char>(v >> 16));
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v));
}

std::uint32_t getU32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

void putChunk(std::string& out, const char* type, const std::string& data) {
    putU32(out, static_cast<std::uint32_t>(data.size()));
    std::string typed = std::string(type, 4) + data;
    out += typed;
    putU32(out, static_cast<std::uint32_t>(
                    crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                          static_cast<uInt>(typed.size()))));
}

int paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// What PNG filter `type` predicts for byte i of a row from its left, upper and upper-left
// neighbours (row holds the unfiltered bytes up to i).
int predicted(int type, const unsigned char* row, const unsigned char* above, std::size_t i,
              int bpp) {
    const bool left = i >= static_cast<std::size_t>(bpp);
    const int a = left ? row[i - static_cast<std::size_t>(bpp)] : 0;
    const int b = above != nullptr ? above[i] : 0;
    const int c = (above != nullptr && left) ? above[i - static_cast<std::size_t>(bpp)] : 0;
    switch (type) {
    case 1: return a;
    case 2: return b;
    case 3: return (a + b) / 2;
    case 4: return paeth(a, b, c);
    default: return 0;
    }
}

// Filters one row of bpp-byte pixels with the given PNG filter type.
void filterRow(int type, const unsigned char* row, const unsigned char* above, std::size_t size,
               int bpp, unsigned char* out) {
    for (std::size_t i = 0; i < size; ++i) {
        out[i] = static_cast<unsigned char>(row[i] - predicted(type, row, above, i, bpp));
    }
}

// Undoes filterRow in place, left to right, so each prediction sees unfiltered bytes.
void unfilterRow(int type, unsigned char* row, const unsigned char* above, std::size_t size,
                 int bpp) {
    for (std::size_t i = 0; i < size; ++i) {
        row[i] = static_cast<unsigned char>(row[i] + predicted(type, row, above, i, bpp));
    }
}

}  // namespace

bool writePng(const fs::path& file, const PixelPicture& picture) {
    if (picture.isNull()) {
        return false;
    }
    bool grey = true;
    std::map<std::uint32_t, int> palette;
    for (const std::uint32_t p : picture.pixels) {
        const std::uint32_t colour = p & 0xFFFFFFu;
        grey = grey && redOf(colour) == greenOf(colour) && greenOf(colour) == blueOf(colour);
        if (palette.size() <= 256) {
            palette.emplace(colour, 0);
        }
    }
    const bool indexed = !grey && palette.size() <= 256;
    int colourType = 2;
    int bpp = 3;
    if (grey) {
        colourType = 0;
        bpp = 1;
    } else if (indexed) {
        colourType = 3;
        bpp = 1;
        int index = 0;
        for (auto& [colour, slot] : palette) slot = index++;
    }

    const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(bpp);
    std::vector<unsigned char> previous;
    std::vector<unsigned char> current(rowBytes);
    std::vector<unsigned char> candidate(rowBytes);
    std::vector<unsigned char> best(rowBytes);
    std::string raw;
    raw.reserve((rowBytes + 1) * static_cast<std::size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t colour = picture.pixel(x, y) & 0xFFFFFFu;
            unsigned char* out = &current[static_cast<std::size_t>(x) * static_cast<std::size_t>(bpp)];
            if (grey) {
                out[0] = static_cast<unsigned char>(blueOf(colour));
            } else if (indexed) {
                out[0] = static_cast<unsigned char>(palette.at(colour));
            } else {
                out[0] = static_cast<unsigned char>(redOf(colour));
                out[1] = static_cast<unsigned char>(greenOf(colour));
                out[2] = static_cast<unsigned char>(blueOf(colour));
            }
        }
        // Palette rows stay unfiltered; other rows take the filter with the smallest sum.
        int bestType = 0;
        best = current;
        if (!indexed) {
            long bestCost = -1;
            for (int type = 0; type <= 4; ++type) {
                filterRow(type, current.data(), previous.empty() ? nullptr : previous.data(),
                          rowBytes, bpp, candidate.data());
                long cost = 0;
                for (const unsigned char v : candidate) cost += v < 128 ? v : 256 - v;
                if (bestCost < 0 || cost < bestCost) {
                    bestCost = cost;
                    bestType = type;
                    best = candidate;
                }
            }
        }
        raw.push_back(static_cast<char>(bestType));
        raw.append(reinterpret_cast<const char*>(best.data()), best.size());
        previous = current;
    }

    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()),
                  Z_BEST_COMPRESSION) != Z_OK) {
        return false;
    }
    packed.resize(packedSize);

    std::string png(reinterpret_cast<const char*>(kPngSignature.data()), kPngSignature.size());
    std::string header;
    putU32(header, static_cast<std::uint32_t>(picture.width));
    putU32(header, static_cast<std::uint32_t>(picture.height));
    header.push_back(8);  // bit depth
    header.push_back(static_cast<char>(colourType));
    header.append(3, '\0');  // deflate, adaptive filters, not interlaced
    putChunk(png, "IHDR", header);
    if (indexed) {
        std::string entries;
        for (const auto& [colour, slot] : palette) {
            entries.push_back(static_cast<char>(redOf(colour)));
            entries.push_back(static_cast<char>(greenOf(colour)));
            entries.push_back(static_cast<char>(blueOf(colour)));
        }
        putChunk(png, "PLTE", entries);
    }
    putChunk(png, "IDAT", packed);
    putChunk(png, "IEND", "");

    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(png.data(), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(out);
}

std::optional<PixelPicture> readPng(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < 8 + 25 || std::memcmp(data, kPngSignature.data(), 8) != 0) {
        return std::nullopt;
    }
    int width = 0, height = 0, colourType = -1;
    std::vector<std::uint32_t> palette;
    std::string packed;
    for (std::size_t at = 8; at + 12 <= bytes.size();) {
        const std::uint32_t length = getU32(data + at);
        if (length > bytes.size() - at - 12) {
            return std::nullopt;
        }
        const std::string type(bytes, at + 4, 4);
        const unsigned char* body = data + at + 8;
        if (type == "IHDR" && length >= 13) {
            width = static_cast<int>(getU32(body));
            height = static_cast<int>(getU32(body + 4));
            colourType = body[9];
            if (body[8] != 8 || body[10] != 0 || body[11] != 0 || body[12] != 0) {
                return std::nullopt;  // only 8-bit, non-interlaced pictures
            }
        } else if (type == "PLTE") {
            for (std::uint32_t i = 0; i + 2 < length; i += 3) {
                palette.push_back(pixelOf(body[i], body[i + 1], body[i + 2]));
            }
        } else if (type == "IDAT") {
            packed.append(reinterpret_cast<const char*>(body), length);
        } else if (type == "IEND") {
            break;
        }
        at += 12 + length;
    }
    int bpp = 0;
    switch (colourType) {
    case 0: bpp = 1; break;
    case 2: bpp = 3; break;
    case 3: bpp = 1; break;
    case 4: bpp = 2; break;
    case 6: bpp = 4; break;
    default: return std::nullopt;
    }
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        return std::nullopt;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(bpp);
    std::vector<unsigned char> raw((rowBytes + 1) * static_cast<std::size_t>(height));
    uLongf rawSize = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &rawSize, reinterpret_cast<const Bytef*>(packed.data()),
                   static_cast<uLong>(packed.size())) != Z_OK ||
        rawSize != raw.size()) {
        return std::nullopt;
    }
    PixelPicture picture(width, height);
    for (int y = 0; y < height; ++y) {
        unsigned char* row = &raw[static_cast<std::size_t>(y) * (rowBytes + 1)];
        const unsigned char* above = y > 0 ? row - (rowBytes + 1) + 1 : nullptr;
        if (row[0] > 4) {
            return std::nullopt;
        }
        unfilterRow(row[0], row + 1, above, rowBytes, bpp);
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = row + 1 + static_cast<std::size_t>(x) * static_cast<std::size_t>(bpp);
            std::uint32_t colour = 0;
            switch (colourType) {
            case 0:
            case 4: colour = pixelOf(p[0], p[0], p[0]); break;
            case 3:
                if (p[0] >= palette.size()) return std::nullopt;
                colour = palette[p[0]];
                break;
            default: colour = pixelOf(p[0], p[1], p[2]); break;
            }
            picture.setPixel(x, y, colour);
        }
    }
    return picture;
}

// --- Differences --------------------------------------------------------------------------

PixelPicture diffPicture(const PixelPicture& actual, const PixelPicture& expected) {
    const int width = std::max(actual.width, expected.width);
    const int height = std::max(actual.height, expected.height);
    PixelPicture diff(width, height, pixelOf(255, 0, 255));
    for (int y = 0; y < std::min(actual.height, expected.height); ++y) {
        for (int x = 0; x < std::min(actual.width, expected.width); ++x) {
            const std::uint32_t a = actual.pixel(x, y) & 0xFFFFFFu;
            if (a != (expected.pixel(x, y) & 0xFFFFFFu)) {
                diff.setPixel(x, y, pixelOf(255, 0, 0));
            } else {
                const int level = (redOf(a) + greenOf(a) + blueOf(a)) / 12;
                diff.setPixel(x, y, pixelOf(level, level, level));
            }
        }
    }
    return diff;
}

long long differingPixels(const PixelPicture& actual, const PixelPicture& expected) {
    const long long covered = static_cast<long long>(std::max(actual.width, expected.width)) *
                              std::max(actual.height, expected.height);
    long long same = 0;
    for (int y = 0; y < std::min(actual.height, expected.height); ++y) {
        for (int x = 0; x < std::min(actual.width, expected.width); ++x) {
            same += (actual.pixel(x, y) & 0xFFFFFFu) == (expected.pixel(x, y) & 0xFFFFFFu);
        }
    }
    return covered - same;
}

bool nearlySame(const PixelPicture& actual, const PixelPicture& expected, int reachPx,
                int marginLevels) {
    if (actual.width != expected.width || actual.height != expected.height) {
        return false;
    }
    // Whether colour lies within the channel ranges of the picture's pixels near x, y.
    // Whether the expected picture is one flat colour around x, y: there it must be the same.
    const auto flat = [reachPx, &expected](int x, int y) {
        const std::uint32_t centre = expected.pixel(x, y);
        for (int ny = std::max(0, y - reachPx); ny <= std::min(expected.height - 1, y + reachPx); ++ny) {
            for (int nx = std::max(0, x - reachPx); nx <= std::min(expected.width - 1, x + reachPx); ++nx) {
                if (expected.pixel(nx, ny) != centre) return false;
            }
        }
        return true;
    };
    const auto within = [reachPx, marginLevels](const PixelPicture& p, int x, int y,
                                                std::uint32_t colour) {
        int low[3] = {255, 255, 255};
        int high[3] = {0, 0, 0};
        for (int ny = std::max(0, y - reachPx); ny <= std::min(p.height - 1, y + reachPx); ++ny) {
            for (int nx = std::max(0, x - reachPx); nx <= std::min(p.width - 1, x + reachPx); ++nx) {
                const std::uint32_t q = p.pixel(nx, ny);
                const int channels[3] = {redOf(q), greenOf(q), blueOf(q)};
                for (int c = 0; c < 3; ++c) {
                    low[c] = std::min(low[c], channels[c]);
                    high[c] = std::max(high[c], channels[c]);
                }
            }
        }
        const int wanted[3] = {redOf(colour), greenOf(colour), blueOf(colour)};
        for (int c = 0; c < 3; ++c) {
            if (wanted[c] < low[c] - marginLevels || wanted[c] > high[c] + marginLevels) return false;
        }
        return true;
    };
    for (int y = 0; y < actual.height; ++y) {
        for (int x = 0; x < actual.width; ++x) {
            const std::uint32_t a = actual.pixel(x, y) & 0xFFFFFFu;
            const std::uint32_t e = expected.pixel(x, y) & 0xFFFFFFu;
            if (a != e && (flat(x, y) || !within(expected, x, y, a) || !within(actual, x, y, e))) {
                return false;
            }
        }
    }
    return true;
}

// --- The table ----------------------------------------------------------------------------

namespace {

constexpr const char* kTableHeader =
    "# Reference pictures: the digest of each window's picture at each moment of each run.\n"
    "# Written by `make references`; re-bless only for a change that is meant to show, after\n"
    "# looking at the new pictures, and say why in the commit message.\n"
    "# builds: all (every build), qt (Linux) or gdi (Windows). picture: the committed PNG or -.\n"
    "# text: - (no text), picture (compared with the PNG) or the text form's digest, used where\n"
    "# this machine draws text with another environment than the one below.\n"
    "# run moment window builds phase digest picture text\n";

constexpr std::string_view kEnvironmentPrefix = "# environment ";

bool rowLess(const Row& a, const Row& b) {
    return std::tie(a.run, a.moment, a.window, a.builds) <
           std::tie(b.run, b.moment, b.window, b.builds);
}

}  // namespace

Table loadTable(const fs::path& file) {
    Table table;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with(kEnvironmentPrefix)) {
            const std::size_t colon = line.find(": ", kEnvironmentPrefix.size());
            if (colon != std::string::npos) {
                table.environments[line.substr(kEnvironmentPrefix.size(), colon - kEnvironmentPrefix.size())] =
                    line.substr(colon + 2);
            }
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        Row row;
        if (fields >> row.run >> row.moment >> row.window >> row.builds >> row.phase >> row.digest >>
            row.picture) {
            if (!(fields >> row.text)) row.text = "-";
            table.rows.push_back(row);
        }
    }
    return table;
}

bool saveTable(const fs::path& file, const Table& table) {
    std::vector<Row> sorted = table.rows;
    std::sort(sorted.begin(), sorted.end(), rowLess);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << kTableHeader;
    for (const auto& [build, environment] : table.environments) {
        out << kEnvironmentPrefix << build << ": " << environment << '\n';
    }
    for (const Row& r : sorted) {
        out << r.run << ' ' << r.moment << ' ' << r.window << ' ' << r.builds << ' ' << r.phase << ' '
            << r.digest << ' ' << r.picture << ' ' << r.text << '\n';
    }
    return static_cast<bool>(out);
}

// --- A run --------------------------------------------------------------------------------

ReferenceRun::ReferenceRun(std::string run, ReferencePaths paths, std::string environment)
    : run_(std::move(run)), paths_(std::move(paths)), environment_(std::move(environment)) {
    tableRead_ = fs::exists(paths_.table);
    table_ = loadTable(paths_.table);
}

bool ReferenceRun::textExact() const {
    const char* forced = std::getenv("ORVANE_REFERENCE_ENVIRONMENT");
    if (forced != nullptr && std::strcmp(forced, "differs") == 0) {
        return false;
    }
    const auto recorded = table_.environments.find(thisBuild());
    return recorded != table_.environments.end() && recorded->second == environment_;
}

bool ReferenceRun::matchesLoosely(const Row& expected, const Row& actual,
                                  const PixelPicture& picture) {
    if (expected.text == "-" || textExact()) {
        return false;
    }
    // Said once a process: every later loose comparison has the same reason.
    static bool told = false;
    if (!told) {
        told = true;
        const auto recorded = table_.environments.find(thisBuild());
        std::cerr << "references: text compared loosely (its place to a pixel or three, its "
                     "colours; everything else exact), because this machine draws text with\n  "
                  << environment_ << "\nand " << paths_.table.generic_string() << " was made with\n  "
                  << (recorded != table_.environments.end() ? recorded->second : "(no environment recorded)")
                  << (std::getenv("ORVANE_REFERENCE_ENVIRONMENT") != nullptr
                          ? "\n  (ORVANE_REFERENCE_ENVIRONMENT says it differs)" : "")
                  << "\n";
    }
    if (expected.text != kTextByPicture) {
        return expected.text == actual.text;
    }
    const auto committed = expected.picture != "-" ? readPng(paths_.pictures / expected.picture)
                                                  : std::nullopt;
    return committed && nearlySame(picture, *committed);
}

const Row* ReferenceRun::expectedRow(const std::string& moment, const std::string& window) const {
    for (const Row& r : table_.rows) {
        if (r.run == run_ && r.moment == moment && r.window == window &&
            (r.builds == "all" || r.builds == thisBuild())) {
            return &r;
        }
    }
    return nullptr;
}

std::string ReferenceRun::pictureName(const std::string& moment, const std::string& window,
                                      const std::string& builds) const {
    return run_ + "-" + moment + "-" + window + (builds == "all" ? "" : "." + builds) + ".png";
}

bool ReferenceRun::check(const std::string& moment, const std::string& window,
                         const std::string& phase, PixelPicture picture, bool keyPicture, std::string text) {
    if (failed()) {
        return false;
    }
    Row row{run_, moment, window, thisBuild(), phase, digestText(digest(picture)),
            keyPicture ? "key" : "-", std::move(text)};
    if (blessing()) {
        taken_.push_back(
            {row, keyPicture ? std::optional<PixelPicture>(std::move(picture)) : std::nullopt});
        return true;
    }
    taken_.push_back({row, std::nullopt});
    const Row* expected = expectedRow(moment, window);
    if (expected == nullptr ||
        (expected->digest != row.digest && !matchesLoosely(*expected, row, picture))) {
        reportMismatch(expected, row, picture, expected != nullptr && expected->text != "-" && !textExact());
        return false;
    }
    lastMatch_[window] = {moment, std::move(picture)};
    return true;
}

void ReferenceRun::reportMismatch(const Row* expected, const Row& actual,
                                  const PixelPicture& picture, bool loose) {
    std::ostringstream message;
    const std::string stem = run_ + "-" + actual.moment + "-" + actual.window;
    const fs::path actualFile = paths_.output / (stem + ".actual.png");
    message << "reference run '" << run_ << "' (" << thisBuild() << "), window " << actual.window
            << " at moment " << actual.moment << ", phase " << actual.phase << ": ";
    if (expected == nullptr) {
        message << "no reference row in " << paths_.table.generic_string()
                << (tableRead_ ? "" : " (the table cannot be read)") << ".\n";
    } else {
        message << "the picture differs from the reference (digest " << actual.digest
                << ", expected " << expected->digest << ", reference taken in phase "
                << expected->phase << ")"
                << (loose ? ", also where text is compared loosely (text form " + actual.text +
                                ", expected " + expected->text + ")"
                          : std::string())
                << ". This is the run's first differing moment.\n";
    }
    message << "  actual:   " << (writePng(actualFile, picture) ? actualFile.generic_string() : "(not written)")
            << "\n";
    if (expected != nullptr && expected->picture != "-") {
        const fs::path committed = paths_.pictures / expected->picture;
        if (const auto reference = readPng(committed)) {
            const fs::path expectedFile = paths_.output / (stem + ".expected.png");
            const fs::path diffFile = paths_.output / (stem + ".diff.png");
            writePng(expectedFile, *reference);
            writePng(diffFile, diffPicture(picture, *reference));
            message << "  expected: " << expectedFile.generic_string() << " (from " << committed.generic_string()
                    << ")\n  diff:     " << diffFile.generic_string() << " ("
                    << differingPixels(picture, *reference) << " pixels differ, in red)\n";
        } else {
            message << "  expected: " << committed.generic_string() << " cannot be read\n";
        }
    } else if (expected != nullptr) {
        message << "  expected: only the digest is kept for this moment (no committed picture)\n";
    }
    if (const auto last = lastMatch_.find(actual.window); last != lastMatch_.end()) {
        const fs::path lastFile =
            paths_.output / (run_ + "-" + last->second.first + "-" + actual.window + ".matched.png");
        if (writePng(lastFile, last->second.second)) {
            message << "  last match: " << lastFile.generic_string() << " (moment "
                    << last->second.first << ", the window's last picture that matched)\n";
        }
    }
    message << "If the change is meant to show, look at the pictures, then run `make references`"
               " and give the reason in the commit message.";
    failure_ = message.str();
}

bool ReferenceRun::finish() {
    if (blessing()) {
        return bless();
    }
    if (failed()) {
        return false;
    }
    std::set<std::pair<std::string, std::string>> seen;
    for (const Taken& t : taken_) seen.emplace(t.row.moment, t.row.window);
    std::ostringstream unchecked;
    int count = 0;
    for (const Row& r : table_.rows) {
        if (r.run == run_ && (r.builds == "all" || r.builds == thisBuild()) &&
            !seen.contains({r.moment, r.window})) {
            if (count++ < 10) unchecked << " " << r.moment << "/" << r.window;
        }
    }
    // The committed PNGs must be the pictures their rows describe.
    std::string badPictures;
    for (const Row& r : table_.rows) {
        if (r.run == run_ && (r.builds == "all" || r.builds == thisBuild()) && r.picture != "-") {
            const auto picture = readPng(paths_.pictures / r.picture);
            if (!picture || digestText(digest(*picture)) != r.digest) {
                badPictures += " " + r.picture + (picture ? " (other pixels)" : " (unreadable)");
            }
        }
    }
    if (taken_.empty()) {
        failure_ = "reference run '" + run_ + "' took no pictures";
    } else if (!badPictures.empty()) {
        failure_ = "reference run '" + run_ + "': committed pictures in " +
                   paths_.pictures.generic_string() + " do not match their rows:" + badPictures;
    } else if (count > 0) {
        failure_ = "reference run '" + run_ + "' (" + thisBuild() + "): the table " +
                   paths_.table.generic_string() + " holds " + std::to_string(count) +
                   " moments the run no longer takes:" + unchecked.str() +
                   (count > 10 ? " ..." : "") + "; run `make references` if that is meant.";
    }
    return !failed();
}

bool ReferenceRun::bless() {
    // Re-read: the other runs of this process may have rewritten the table since.
    table_ = loadTable(paths_.table);
    const std::string mine = thisBuild();
    const std::string other = mine == "qt" ? "gdi" : "qt";
    using Key = std::pair<std::string, std::string>;
    std::map<Key, Row> oldMine;
    std::map<Key, Row> oldOther;
    std::vector<Row> rows;
    for (const Row& r : table_.rows) {
        if (r.run != run_) {
            rows.push_back(r);
            continue;
        }
        const Key key{r.moment, r.window};
        if (r.builds == "all" || r.builds == mine) oldMine[key] = r;
        if (r.builds == "all" || r.builds == other) oldOther[key] = r;
    }

    std::vector<std::string> changes;
    std::set<Key> takenKeys;
    std::set<std::string> keptPictures;
    for (const Taken& t : taken_) {
        const Key key{t.row.moment, t.row.window};
        takenKeys.insert(key);
        const auto was = oldMine.find(key);
        if (was == oldMine.end()) {
            changes.push_back("new      " + t.row.moment + " " + t.row.window + " (" + t.row.phase + ")");
        } else if (was->second.digest != t.row.digest) {
            changes.push_back("changed  " + t.row.moment + " " + t.row.window + " (" + t.row.phase + ")");
        }
        Row row = t.row;
        const auto theirs = oldOther.find(key);
        if (theirs != oldOther.end() && theirs->second.digest == row.digest &&
            theirs->second.text == row.text) {
            row.builds = "all";
        } else if (theirs != oldOther.end()) {
            Row kept = theirs->second;
            kept.builds = other;
            if (kept.picture != "-") {
                kept.picture = pictureName(kept.moment, kept.window, other);
                const fs::path from = paths_.pictures / theirs->second.picture;
                const fs::path to = paths_.pictures / kept.picture;
                std::error_code error;
                if (from != to && !fs::exists(to)) fs::copy_file(from, to, error);
                keptPictures.insert(kept.picture);
            }
            rows.push_back(kept);
        }
        if (t.picture) {
            row.picture = pictureName(row.moment, row.window, row.builds);
            if (!writePng(paths_.pictures / row.picture, *t.picture)) {
                failure_ = "cannot write " + (paths_.pictures / row.picture).generic_string();
            }
            keptPictures.insert(row.picture);
        }
        rows.push_back(row);
    }
    for (const auto& [key, r] : oldMine) {
        if (!takenKeys.contains(key)) {
            changes.push_back("removed  " + key.first + " " + key.second + " (" + r.phase + ")");
        }
    }
    // The other build's moments this build does not take stay as they were, as its own.
    for (const auto& [key, r] : oldOther) {
        if (!takenKeys.contains(key)) {
            Row kept = r;
            kept.builds = other;
            if (kept.picture != "-") {
                kept.picture = pictureName(kept.moment, kept.window, other);
                std::error_code error;
                if (kept.picture != r.picture && !fs::exists(paths_.pictures / kept.picture)) {
                    fs::copy_file(paths_.pictures / r.picture, paths_.pictures / kept.picture, error);
                }
                keptPictures.insert(kept.picture);
            }
            rows.push_back(kept);
        }
    }
    // Pictures of the run's old rows that no row names any more.
    for (const Row& r : table_.rows) {
        if (r.run == run_ && r.picture != "-" && !keptPictures.contains(r.picture)) {
            std::error_code error;
            fs::remove(paths_.pictures / r.picture, error);
        }
    }
    table_.environments[mine] = environment_;
    table_.rows = rows;
    if (!saveTable(paths_.table, table_)) {
        failure_ = "cannot write " + paths_.table.generic_string();
    }
    std::cout << "references: run '" << run_ << "' (" << mine << "): " << taken_.size()
              << " pictures, " << changes.size() << " changed\n";
    constexpr std::size_t kChangesListed = 40;
    for (std::size_t i = 0; i < changes.size() && i < kChangesListed; ++i) {
        std::cout << "  " << changes[i] << "\n";
    }
    if (changes.size() > kChangesListed) {
        std::cout << "  ... and " << changes.size() - kChangesListed << " more\n";
    }
    return !failed();
}

}  // namespace orvane::reference
