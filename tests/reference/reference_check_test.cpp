// The reference machinery itself: pictures survive the PNG round trip in each of its forms, and a
// table that lacks a moment, or holds one the run no longer takes, fails.
#include <gtest/gtest.h>

#include <cstdlib>

#include "reference/reference_check.h"
#include "support/temp_dir.h"

namespace orvane::reference {
namespace {

PixelPicture pattern(int width, int height, int colours, bool grey) {
    PixelPicture p(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int v = (x * 7 + y * 13) % colours;
            p.setPixel(x, y, grey ? pixelOf(v, v, v) : pixelOf(v, 255 - v, (v * 3) & 0xFF));
        }
    }
    return p;
}

TEST(ReferenceCheck, PngKeepsEveryPixelAsGreyPaletteOrRgb) {
    test::TempDir dir;
    const struct {
        int width, height, colours;
        bool grey;
    } cases[] = {{37, 23, 256, true}, {37, 23, 200, false}, {37, 23, 256 * 3 / 2, false},
                 {1, 1, 1, true},     {1, 9, 9, false}};
    for (const auto& c : cases) {
        const PixelPicture picture = pattern(c.width, c.height, c.colours, c.grey);
        const auto file = dir.path() / "p.png";
        ASSERT_TRUE(writePng(file, picture));
        const auto back = readPng(file);
        ASSERT_TRUE(back.has_value()) << c.colours;
        EXPECT_EQ(back->width, c.width);
        EXPECT_EQ(back->height, c.height);
        EXPECT_EQ(differingPixels(*back, picture), 0) << c.colours << c.grey;
        EXPECT_EQ(digest(*back), digest(picture));
    }
    EXPECT_FALSE(writePng(dir.path() / "empty.png", PixelPicture(0, 5)));
}

TEST(ReferenceCheck, OnePixelChangesTheDigestAndShowsInTheDiff) {
    const PixelPicture a = pattern(20, 10, 50, false);
    PixelPicture b = a;
    b.setPixel(19, 9, b.pixel(19, 9) ^ 1u);
    EXPECT_NE(digest(a), digest(b));
    EXPECT_EQ(differingPixels(a, b), 1);
    EXPECT_EQ(diffPicture(b, a).pixel(19, 9), pixelOf(255, 0, 0));
    EXPECT_NE(digest(PixelPicture(4, 5)), digest(PixelPicture(5, 4)));
}

TEST(ReferenceCheck, MissingAndStaleRowsFail) {
    if (blessing()) GTEST_SKIP() << "checks the checking mode";
    test::TempDir dir;
    const ReferencePaths paths{dir.path() / "t.refs", dir.path() / "pics", dir.path() / "out"};
    const PixelPicture picture = pattern(8, 8, 10, false);
    const std::string d = digestText(digest(picture));
    saveTable(paths.table, {{}, {{"r", "0001", "m0", "all", "rain", d, "-"},
                                 {"r", "0002", "m0", thisBuild(), "rain", d, "-"},
                                 {"other", "0001", "m0", "all", "rain", "0", "-"}}});
    {
        ReferenceRun run("r", paths);
        EXPECT_TRUE(run.check("0001", "m0", "rain", picture));
        EXPECT_TRUE(run.check("0002", "m0", "rain", picture));
        EXPECT_TRUE(run.finish()) << run.failure();
    }
    {
        ReferenceRun run("r", paths);  // stops before its last moment
        EXPECT_TRUE(run.check("0001", "m0", "rain", picture));
        EXPECT_FALSE(run.finish());
        EXPECT_NE(run.failure().find("0002/m0"), std::string::npos) << run.failure();
    }
    {
        ReferenceRun run("r", paths);  // a moment without a row
        EXPECT_FALSE(run.check("0003", "m0", "title", picture));
        EXPECT_NE(run.failure().find("no reference row"), std::string::npos) << run.failure();
        EXPECT_FALSE(run.finish());
    }
    {
        // A committed picture that is not what its row says.
        saveTable(paths.table, {{}, {{"r", "0001", "m0", "all", "rain", d, "r-0001-m0.png"}}});
        ASSERT_TRUE(writePng(paths.pictures / "r-0001-m0.png", pattern(8, 8, 11, false)));
        ReferenceRun run("r", paths);
        EXPECT_TRUE(run.check("0001", "m0", "rain", picture));
        EXPECT_FALSE(run.finish());
        EXPECT_NE(run.failure().find("r-0001-m0.png (other pixels)"), std::string::npos)
            << run.failure();
    }
    {
        ReferenceRun run("r", paths);  // a different picture: the actual one is written
        PixelPicture changed = picture;
        changed.setPixel(0, 0, pixelOf(1, 2, 3));
        EXPECT_FALSE(run.check("0001", "m0", "rain", changed));
        EXPECT_NE(run.failure().find("phase rain"), std::string::npos) << run.failure();
        EXPECT_TRUE(readPng(paths.output / "r-0001-m0.actual.png").has_value());
    }
}

// A stroke of ink on grey, as text's stems are drawn.
PixelPicture stroke(int left, std::uint32_t ink, int edge = 128) {
    PixelPicture p(24, 12, pixelOf(40, 40, 40));
    for (int y = 2; y < 10; ++y) {
        p.setPixel(left - 1, y, pixelOf(edge, edge, edge));
        p.setPixel(left, y, ink);
        p.setPixel(left + 1, y, ink);
    }
    return p;
}

TEST(ReferenceCheck, NearlySamePassesHintingAndFailsWhatAPersonSees) {
    const std::uint32_t white = pixelOf(250, 250, 250);
    const PixelPicture original = stroke(8, white);
    EXPECT_TRUE(nearlySame(stroke(8, white, 90), original));       // anti-aliasing
    EXPECT_TRUE(nearlySame(stroke(8, pixelOf(255, 255, 255)), original));  // a brighter stem
    EXPECT_TRUE(nearlySame(stroke(9, white), original));           // hinting: a pixel over
    EXPECT_TRUE(nearlySame(stroke(11, white), original));          // three
    EXPECT_FALSE(nearlySame(stroke(14, white), original));         // moved by a character
    EXPECT_FALSE(nearlySame(stroke(8, pixelOf(250, 60, 60)), original));  // another colour
    EXPECT_FALSE(nearlySame(PixelPicture(24, 13), original));     // another size
    PixelPicture speck = original;                                 // a pixel away from the text
    speck.setPixel(20, 6, pixelOf(41, 40, 40));
    EXPECT_FALSE(nearlySame(speck, original));
}

TEST(ReferenceCheck, TextComparesLooselyOnlyWhereTheEnvironmentDiffers) {
    if (blessing()) GTEST_SKIP() << "checks the checking mode";
    test::TempDir dir;
    const ReferencePaths paths{dir.path() / "t.refs", dir.path() / "pics", dir.path() / "out"};
    const PixelPicture picture = stroke(8, pixelOf(250, 250, 250));
    const PixelPicture hinted = stroke(9, pixelOf(250, 250, 250));
    ASSERT_TRUE(writePng(paths.pictures / "r-2-m0.png", picture));
    saveTable(paths.table, {{{thisBuild(), "fonts A"}},
                            {{"r", "1", "m0", "all", "intro", digestText(digest(picture)), "-", "f00d"},
                             {"r", "2", "m0", "all", "about", digestText(digest(picture)),
                              "r-2-m0.png", kTextByPicture},
                             {"r", "3", "m0", "all", "rain", digestText(digest(picture)), "-"}}});
    const auto play = [&](const std::string& environment, const std::string& textForm,
                          const PixelPicture& third) {
        ReferenceRun run("r", paths, environment);
        const bool same = run.check("1", "m0", "intro", hinted, false, textForm) &&
                          run.check("2", "m0", "about", hinted, true, kTextByPicture) &&
                          run.check("3", "m0", "rain", third);
        return run.finish() && same;
    };
    EXPECT_TRUE(play("fonts B", "f00d", picture));
    EXPECT_FALSE(play("fonts B", "beef", picture));    // other text, or text elsewhere
    EXPECT_FALSE(play("fonts B", "f00d", hinted));     // a row without text stays exact
    if (std::getenv("ORVANE_REFERENCE_ENVIRONMENT") == nullptr) {
        EXPECT_FALSE(play("fonts A", "f00d", picture));  // the table's own environment: exact
    }
}

}  // namespace
}  // namespace orvane::reference
