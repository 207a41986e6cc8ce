#include "intro/wake_up_messages.h"

#include "host/settings.h"
#include "intro/typing.h"
#include "show/show_sequencer.h"
#include "show/text_ops.h"
#include "show/utf8.h"

namespace orvane {

namespace {

constexpr std::string_view kOriginSample = "W";
constexpr int kOriginColumns = 4;
constexpr int kOriginRows = 2;

enum class UserMode { FixedName = 0, LoggedOnUser = 1 };

std::string loggedOnName(Platform& platform) {
    std::optional<std::string> name = platform.loggedOnUserName();
    // A name that does not fit the system's buffer is not returned at all.
    if (!name || utf8Length(*name) >= kLoggedOnNameBufferCharacters) {
        return {};
    }
    return *name;
}

void clear(Canvas& dc, int width, int height) { fillRectColour(dc, {0, 0, width, height}, kBlack); }

}  // namespace

std::string displayedName(const Settings& settings, Platform& platform) {
    std::string name;
    if (settings.userMode == static_cast<std::int32_t>(UserMode::FixedName)) {
        name = kFixedDisplayedName;
    } else if (settings.userMode == static_cast<std::int32_t>(UserMode::LoggedOnUser)) {
        name = loggedOnName(platform);
    } else {
        name = utf8Prefix(settings.userName, kUserNameMaxCharacters);
    }
    if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') {
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
    }
    return name;
}

std::string wakeUpMessage(const std::string& name) {
    return "Wake up, " + (name.empty() ? std::string(kFixedDisplayedName) : name) + "...";
}

std::string knockMessage(const std::string& name) {
    return "Knock, Knock, " + (name.empty() ? std::string(kFixedDisplayedName) : name) + ".";
}

void wakeUpMessages(ShowSequencer& show, Canvas& dc, int width, int height) {
    const std::string name = displayedName(show.settings(), show.platform());
    const std::string wakeUp = wakeUpMessage(name);
    const std::string knock = knockMessage(name);
    const int x = kOriginColumns * textWidth(dc, kOriginSample);
    const int y = kOriginRows * textHeight(dc, kOriginSample);
    const Colour colour = show.colours().lightTint;

    const auto startMessage = [&] {
        clear(dc, width, height);
        dc.setTextColour(colour);
    };

    startMessage();
    typeText(show, dc, Cursor::None, x, y, kWakeUpBaseDelayMs, kWakeUpRandomRangeMs, wakeUp);
    if (show.waitOrStop(kWakeUpHoldMs)) {
        return;
    }

    startMessage();
    typeTextTimed(show, dc, Cursor::None, x, y, kTypingDelays, kOrvaneMessage);
    if (show.waitOrStop(kOrvaneHoldMs)) {
        return;
    }

    startMessage();
    typeText(show, dc, Cursor::None, x, y, kRabbitDelayMs, 0, kRabbitMessage);
    if (show.waitOrStop(kRabbitHoldMs)) {
        return;
    }

    startMessage();
    typeText(show, dc, Cursor::None, x, y, 0, 0, knock);
    if (show.waitOrStop(kKnockHoldMs)) {
        return;
    }

    clear(dc, width, height);
}

}  // namespace orvane
