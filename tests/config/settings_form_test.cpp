// The settings dialog's values as both front ends share them: the record into the controls and
// back, "&Defaults", and "Suspend After".
#include <gtest/gtest.h>

#include "config/settings_form.h"

namespace orvane {
namespace {

TEST(SettingsForm, TrackBarsTruncateOnTheWayInAndStepOnTheWayBack) {
    Settings s;
    s.overallSpeed = 2500;  // (4000 - 2500) / 400 = 3.75 -> 3 -> written back as 2800
    s.variance = 130;       // 130 / 20 = 6.5 -> 6 -> written back as 120
    s.densityFraction = 0.35;  // 3.5 rounds to 4 -> 0.4
    s.suspendTimeout = -3;
    s.userMode = 7;
    s.dateTimeMode = -1;
    s.tintR = 300;  // a swatch shows the low 8 bits: 300 & 255 = 44
    const SettingsControls c = controlsFrom(s);
    EXPECT_EQ(c.speedPosition, 3);
    EXPECT_EQ(c.variancePosition, 6);
    EXPECT_EQ(c.densityPosition, 4);
    EXPECT_EQ(c.suspendText, "-3");
    EXPECT_EQ(c.nameChoice, NameChoice::Specified);
    EXPECT_TRUE(c.currentDateTime);
    EXPECT_EQ(swatchColour(c.tint), rgb(44, s.tintG, s.tintB));

    const std::optional<Settings> back = settingsFrom(c, Settings{});
    ASSERT_TRUE(back);
    EXPECT_EQ(back->overallSpeed, 2800);
    EXPECT_EQ(back->variance, 120);
    EXPECT_DOUBLE_EQ(back->densityFraction, 0.4);
    EXPECT_EQ(back->suspendTimeout, -3);
    EXPECT_EQ(back->userMode, 2);
    EXPECT_EQ(back->dateTimeMode, 1);
    EXPECT_EQ(back->tintR, 300) << "the working channels go back as they came";
}

TEST(SettingsForm, DefaultsAreTheDialogsOwnNotTheLoaders) {
    const SettingsControls d = defaultControls();
    const Settings s = *settingsFrom(d, Settings{});
    EXPECT_EQ(s.overallSpeed, 1200);
    EXPECT_EQ(s.variance, 100);
    EXPECT_DOUBLE_EQ(s.densityFraction, 0.4);
    EXPECT_EQ(s.userMode, 1);
    EXPECT_EQ(s.dateTimeMode, 0);
    EXPECT_EQ(s.phoneNumber, "5550690");
    EXPECT_EQ(s.userName, "Kel");
    EXPECT_EQ((std::array<int, 6>{s.tintR, s.tintG, s.tintB, s.highlightR, s.highlightG, s.highlightB}),
              (std::array<int, 6>{80, 248, 7, 230, 253, 157}));
    EXPECT_EQ(s.suspendTimeout, 0);
    EXPECT_FALSE(s.useEscapeLmbExit);
}

TEST(SettingsForm, SuspendAfterTakesOnlyAWholeNumberWithin32Bits) {
    EXPECT_EQ(parseMinutes("15"), 15);
    EXPECT_EQ(parseMinutes("-2147483648"), INT32_MIN);
    EXPECT_EQ(parseMinutes("2147483647"), INT32_MAX);
    for (const char* bad : {"", "-", "2147483648", "1.5", " 5", "5 ", "+5", "0x10", "five"}) {
        EXPECT_FALSE(parseMinutes(bad)) << bad;
    }
    SettingsControls c = controlsFrom(Settings{});
    c.suspendText = "soon";
    EXPECT_FALSE(settingsFrom(c, Settings{})) << "nothing is copied while the text is refused";
}

}  // namespace
}  // namespace orvane
