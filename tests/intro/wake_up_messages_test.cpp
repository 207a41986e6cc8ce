#include <gtest/gtest.h>

#include "intro/typing.h"
#include "intro/wake_up_messages.h"
#include "sequence_test_support.h"
#include "platform/virtual/virtual_show.h"
#include "show/random.h"
#include "show/utf8.h"

namespace orvane {
namespace {

using intro_test::ClockedCanvas;
using intro_test::Stamped;

// The messages stand 4 widths of "W" across and 2 heights down: 4 x 11, 2 x 22.
constexpr int kMessageX = 44;
constexpr int kMessageY = 44;

// What one message left: its text draws, in order.
using Message = std::vector<DrawRecord>;

// The text draws of the window, split at every full-window clear.
std::vector<Message> messagesOf(const std::vector<DrawRecord>& records, int clears) {
    std::vector<Message> messages;
    for (const DrawRecord& record : records) {
        if (record.kind == DrawRecord::Kind::Rectangle && record.area == Rect{0, 0, 800, 600}) {
            messages.emplace_back();
        } else if (record.kind == DrawRecord::Kind::Text && !messages.empty()) {
            messages.back().push_back(record);
        }
    }
    EXPECT_EQ(messages.size(), static_cast<std::size_t>(clears));
    return messages;
}

struct NameCase {
    std::int32_t userMode;
    std::string userName;                 // the setting
    std::optional<std::string> loggedOn;  // what the system tells
    std::string shown;
};

TEST(WakeUpMessages, AddressTheNameOfTheUserModeInTheFirstAndLastMessage) {
    const std::string thirty = "abcdefghijklmnopqrstuvwxyz1234";
    std::string thirtyUmlauts;
    std::string thirtyFaces;  // four bytes each, the first 0xF0
    std::string twentyFiveFaces;
    for (int i = 0; i < 30; ++i) {
        thirtyUmlauts += "ö";
        thirtyFaces += "\xF0\x9F\x98\x80";
        twentyFiveFaces += i < 25 ? "\xF0\x9F\x98\x80" : "";
    }
    const NameCase cases[] = {
        {0, "maria", "jonas", "Kel"},
        {1, "maria", "jonas", "Jonas"},
        {1, "maria", std::nullopt, "Kel"},  // the system cannot tell: the fixed texts
        {1, "maria", "", "Kel"},
        {1, "maria", std::string(300, 'x'), "Kel"},  // too long for the system's buffer
        {2, "petra", "jonas", "Petra"},
        {7, "oskar", "jonas", "Oskar"},
        {2, "lena Berg", "jonas", "Lena Berg"},
        {2, thirty, "jonas", "Abcdefghijklmnopqrstuvwxy"},
        {2, thirtyUmlauts, "jonas", utf8Prefix(thirtyUmlauts, 25)},
        {2, thirtyFaces, "jonas", twentyFiveFaces},
        {2, "7of9", "jonas", "7of9"},
        {2, "Zed", "jonas", "Zed"},
        {2, "zoe", "jonas", "Zoe"},  // z is the last letter made upper case
        {2, "élodie", "jonas", "élodie"},
        {2, "", "jonas", "Kel"},
    };
    for (const NameCase& c : cases) {
        VirtualShow vs;
        vs.settings.userMode = c.userMode;
        vs.settings.userName = c.userName;
        vs.platform.userName = c.loggedOn;
        ShowSequencer& show = vs.show();
        WindowPicture& window = vs.platform.window(0);
        window.setLogging(true);

        wakeUpMessages(show, *show.showDC, 800, 600);

        const std::string where = "mode " + std::to_string(c.userMode) + " " + c.userName;
        const std::vector<Message> messages = messagesOf(window.records(), 5);
        ASSERT_EQ(messages.size(), 5u) << where;
        const std::string expected[] = {"Wake up, " + c.shown + "...", "The Orvane has you...",
                                        "Follow the white rabbit.",
                                        "Knock, Knock, " + c.shown + "."};
        for (std::size_t m = 0; m < 4; ++m) {
            ASSERT_FALSE(messages[m].empty()) << where;
            EXPECT_EQ(messages[m].back().text, expected[m]) << where;
            EXPECT_EQ(messages[m].size(), utf8Length(expected[m])) << where;
            for (const DrawRecord& text : messages[m]) {
                EXPECT_EQ(text.area.left, kMessageX);
                EXPECT_EQ(text.area.top, kMessageY);
                EXPECT_EQ(text.textColour, show.colours().lightTint);
            }
        }
        EXPECT_TRUE(messages[4].empty()) << "the screen ends cleared";
        EXPECT_TRUE(intro_test::litArea(window).isEmpty());
    }
}

TEST(WakeUpMessages, EachMessageIsTypedAtItsPaceAndHeldForItsTime) {
    VirtualShow vs;
    vs.settings.userMode = 2;
    vs.settings.userName = "anna";
    ShowSequencer& show = vs.show();
    ClockedCanvas dc(*show.showDC, vs.platform);
    // The typing of the first message draws one random part for every character that is not
    // followed by the same one; "Anna..." has three such pairs.
    Random replay = show.random();
    const std::string first = "Wake up, Anna...";
    std::uint32_t firstTypingMs = 0;
    for (std::size_t i = 0; i < first.size(); ++i) {
        firstTypingMs += 50;
        if (i + 1 == first.size() || first[i + 1] != first[i]) {
            firstTypingMs += static_cast<std::uint32_t>(replay(250));
        }
    }

    wakeUpMessages(show, dc, 800, 600);

    // The clears, and the first character of each message.
    std::vector<std::uint64_t> clearsUs;
    std::vector<std::uint64_t> firstCharacterUs;
    std::vector<std::uint64_t> lastCharacterUs;
    for (const Stamped& call : dc.calls) {
        if (call.kind == DrawRecord::Kind::Rectangle) {
            clearsUs.push_back(call.atUs);
        } else if (utf8Length(call.text) == 1) {
            firstCharacterUs.push_back(call.atUs);
        }
        if (call.kind == DrawRecord::Kind::Text) {
            lastCharacterUs.resize(firstCharacterUs.size());
            lastCharacterUs.back() = call.atUs;
        }
    }
    ASSERT_EQ(clearsUs.size(), 5u);
    ASSERT_EQ(firstCharacterUs.size(), 4u);
    // From the first character of a message to the clear for the next: its typing, the wait
    // after its last character included, and its hold. Waits count whole ticks: each may end
    // up to 1 ms either side in microseconds (24 characters of the third message: up to 24 ms).
    const auto expectSpan = [](std::uint64_t fromUs, std::uint64_t toUs, std::uint32_t ms,
                               const char* what) {
        EXPECT_GT(toUs - fromUs + 3'000, std::uint64_t{ms} * 1000) << what;
        EXPECT_LT(toUs - fromUs, std::uint64_t{ms} * 1000 + 30'000) << what;
    };
    expectSpan(firstCharacterUs[0], clearsUs[1], firstTypingMs + 2000, "wake up");
    expectSpan(firstCharacterUs[1], clearsUs[2], 6040 + 4000, "the orvane");  // typing delays
    expectSpan(firstCharacterUs[2], clearsUs[3], 24 * 150 + 3000, "rabbit");
    expectSpan(firstCharacterUs[3], clearsUs[4], 2000, "knock");
    // The fourth message stands complete at once.
    EXPECT_LT(lastCharacterUs[3] - firstCharacterUs[3], 1000u);
    // In all: the typing plus 11 s of holds.
    const std::uint32_t total = firstTypingMs + 6040 + 3600 + 11000;
    EXPECT_GE(vs.platform.elapsedMs() + 3, total);
    EXPECT_LE(vs.platform.elapsedMs(), total + 30);
}

TEST(WakeUpMessages, StopWhileTypingReturnsAtOnceWithThePartMessageShown) {
    VirtualShow vs;
    vs.settings.userMode = 0;
    ShowSequencer& show = vs.show();
    WindowPicture& window = vs.platform.window(0);
    window.setLogging(true);
    // The first message takes at most 15 x 300 ms + 2 s; 9 s is inside the second's typing.
    vs.platform.scriptAction(9000, [&] { vs.control.requestStop(); });

    wakeUpMessages(show, *show.showDC, 800, 600);

    EXPECT_GE(vs.platform.elapsedMs(), 9000u);
    EXPECT_LE(vs.platform.elapsedMs(), 9002u);
    const std::vector<Message> messages = messagesOf(window.records(), 2);
    ASSERT_EQ(messages.size(), 2u);
    ASSERT_FALSE(messages[1].empty());
    EXPECT_LT(messages[1].size(), 21u);
    EXPECT_TRUE(std::string("The Orvane has you...").starts_with(messages[1].back().text));
    EXPECT_EQ(window.records().back().kind, DrawRecord::Kind::Text);
    EXPECT_FALSE(intro_test::litArea(window).isEmpty());
}

TEST(WakeUpMessages, StopDuringAHoldLeavesThatMessageStanding) {
    VirtualShow vs;
    vs.platform.userName = "viktor";
    ShowSequencer& show = vs.show();
    WindowPicture& window = vs.platform.window(0);
    window.setLogging(true);
    // The fourth message is shown at once and held 2 s at the very end.
    vs.platform.onPump = [&] {
        const auto& records = window.records();
        if (!records.empty() && records.back().text.starts_with("Knock, Knock,") &&
            records.back().text.ends_with(".")) {
            vs.control.requestStop();
        }
    };

    wakeUpMessages(show, *show.showDC, 800, 600);

    const std::vector<Message> messages = messagesOf(window.records(), 4);
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[3].back().text, "Knock, Knock, Viktor.");
    EXPECT_EQ(window.records().back().kind, DrawRecord::Kind::Text);
    EXPECT_FALSE(intro_test::litArea(window).isEmpty());
}

}  // namespace
}  // namespace orvane
