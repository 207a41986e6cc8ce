// Reference pictures: what the user sees, held against pictures looked at once and then kept.
// A run (the show with one set of settings, or the configuration windows) takes pictures at
// fixed moments; each picture's digest is compared with the row of a committed table
// (run, moment, window, builds, phase, digest, picture). A few key moments also have a PNG
// committed beside the table, so that a reader can see what the references are.
//
// The table is shared by the builds: a row's "builds" is "all" when every build draws the same
// pixels, else "qt" or "gdi" (the Windows build, drawing through GDI) for that build's own
// digest. A moment without a row is a failure, never a silent pass.
//
// Text depends on the fonts and rasterisers installed. Each table records, per build, the
// environment its text was drawn in (environmentOfThisBuild()). Where this machine's matches,
// every row compares by digest. Where it differs (or ORVANE_REFERENCE_ENVIRONMENT=differs), a
// row with text that does not match by digest compares by its text form: the show's rows by
// the digest of the window's text layer and its pixels away from the text (text_layer.h), the
// configuration windows' rows against their committed PNG with a tolerance of a pixel or two
// (nearlySame). Rows without text compare by digest everywhere.
//
// With ORVANE_BLESS_REFERENCES=1 (make references) a run records instead: finish() rewrites
// this build's rows of the run and the key PNGs, and prints which moments changed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/common/window_picture.h"

namespace orvane::reference {

// "qt" on Linux, "gdi" in the Windows build.
const char* thisBuild();
// Whether this process records references (ORVANE_BLESS_REFERENCES=1) instead of checking.
bool blessing();

// This build's text environment: library versions and digests of the font files it draws with.
const std::string& environmentOfThisBuild();

// The text form of a row compared against its committed PNG.
inline constexpr const char* kTextByPicture = "picture";

// A digest of the picture's size and colours (the padding byte is not part of it).
std::uint64_t digest(const PixelPicture& picture);
std::string digestText(std::uint64_t value);  // 16 lower-case hex digits

// Lossless 8-bit PNG: greyscale when every pixel is grey, else a palette when there are at most
// 256 colours, else RGB.
bool writePng(const std::filesystem::path& file, const PixelPicture& picture);
// Reads the PNGs writePng writes (and any 8-bit, non-interlaced PNG); nothing when it cannot.
std::optional<PixelPicture> readPng(const std::filesystem::path& file);

// The actual picture dimmed to grey with the differing pixels in red; where only one picture
// covers a pixel, magenta.
PixelPicture diffPicture(const PixelPicture& actual, const PixelPicture& expected);
// How many pixels differ (pixels covered by only one picture count).
long long differingPixels(const PixelPicture& actual, const PixelPicture& expected);
// The same size, and every pixel that differs lies near detail of the expected picture (a pixel
// whose neighbourhood within reachPx is one flat colour must be the same), and within the
// colours of the other picture near it, channel by channel give or take marginLevels, both
// ways: ink moved or lightened by anti-aliasing, hinting or a font version's outlines passes;
// anything in a flat area, ink where the other picture has none nearby, or a colour it does not
// have, fails. The defaults pass Qt 6.8 with Debian 13's fonts against Qt 6.4 with Debian 12's
// (the foot of a bold "l" moved by 3 pixels, a thin slash drawn 24 levels lighter).
bool nearlySame(const PixelPicture& actual, const PixelPicture& expected, int reachPx = 3,
                int marginLevels = 24);

struct Row {
    std::string run;
    std::string moment;
    std::string window;
    std::string builds;  // "all", "qt" or "gdi"
    std::string phase;
    std::string digest;
    std::string picture;  // the committed PNG's file name, or "-"
    // "-" without text; kTextByPicture; else the show's text form (TextLayer::looseDigest).
    std::string text = "-";
    bool operator==(const Row&) const = default;
};

struct Table {
    std::map<std::string, std::string> environments;  // by build
    std::vector<Row> rows;
};

// The table: '#' starts a comment line, "# environment BUILD: ..." names a build's environment;
// one row a line, fields separated by spaces.
Table loadTable(const std::filesystem::path& file);
bool saveTable(const std::filesystem::path& file, const Table& table);

struct ReferencePaths {
    std::filesystem::path table;     // the committed table
    std::filesystem::path pictures;  // the folder of the committed PNGs
    std::filesystem::path output;    // where a failing check writes its pictures (build tree)
};

// The committed table <set>.refs, its PNGs in <set>/, failures under the build tree's <set>/.
inline ReferencePaths referencePaths(const std::string& set) {
    return {std::filesystem::path(ORVANE_REFERENCE_DIR) / (set + ".refs"),
            std::filesystem::path(ORVANE_REFERENCE_DIR) / set,
            std::filesystem::path(ORVANE_REFERENCE_OUTPUT) / set};
}

// One run's pictures, checked against the table (or recorded into it when blessing).
class ReferenceRun {
public:
    // environment: this machine's, unless given (tests of the machinery).
    ReferenceRun(std::string run, ReferencePaths paths,
                 std::string environment = environmentOfThisBuild());
    // Whether rows with text compare by digest (the table's environment is this machine's).
    bool textExact() const;

    // Checks the picture of one window at one moment (names without spaces; moments sort as
    // text, so give times with leading zeros). phase names what was playing, for messages.
    // keyPicture: the moment gets a committed PNG. text: the picture's text form ("-" when it
    // shows no text; kTextByPicture needs a key picture). Returns false at the first difference, after
    // writing the actual, expected and difference pictures and the window's last picture that
    // matched; later checks then do nothing. (The picture is kept: pass a temporary.)
    bool check(const std::string& moment, const std::string& window, const std::string& phase,
               PixelPicture picture, bool keyPicture = false, std::string text = "-");

    // Ends the run. Checking: every row of this build for the run must have been checked.
    // Blessing: rewrites this build's rows of the run and their PNGs and prints the changes.
    // Returns false when the run failed; failure() says why.
    bool finish();

    bool failed() const { return !failure_.empty(); }
    const std::string& failure() const { return failure_; }
    int checkedCount() const { return static_cast<int>(taken_.size()); }

private:
    struct Taken {
        Row row;
        std::optional<PixelPicture> picture;  // key moments, when blessing
    };
    const Row* expectedRow(const std::string& moment, const std::string& window) const;
    std::string pictureName(const std::string& moment, const std::string& window,
                            const std::string& builds) const;
    bool matchesLoosely(const Row& expected, const Row& actual, const PixelPicture& picture);
    void reportMismatch(const Row* expected, const Row& actual, const PixelPicture& picture,
                        bool loose);
    bool bless();

    std::string run_;
    ReferencePaths paths_;
    std::string environment_;
    Table table_;
    bool tableRead_ = false;
    std::vector<Taken> taken_;
    std::map<std::string, std::pair<std::string, PixelPicture>> lastMatch_;  // by window
    std::string failure_;
};

}  // namespace orvane::reference
