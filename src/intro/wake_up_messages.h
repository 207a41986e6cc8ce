// The last intro sequence: four short messages typed one after the other at the same place
// on the first window, the first and the last addressed to the displayed name, each left
// standing for a few seconds before the screen is cleared for the next.
#pragma once

#include <cstdint>
#include <string>

#include "show/platform.h"

namespace orvane {

class ShowSequencer;
struct Settings;

inline constexpr const char* kFixedDisplayedName = "Kel";
constexpr std::size_t kUserNameMaxCharacters = 25;
// The system's user name is read into a buffer of this many characters, its end included.
constexpr std::size_t kLoggedOnNameBufferCharacters = 255;

constexpr std::uint32_t kWakeUpBaseDelayMs = 50;
constexpr std::int32_t kWakeUpRandomRangeMs = 250;
constexpr std::uint32_t kWakeUpHoldMs = 2000;
constexpr std::uint32_t kOrvaneHoldMs = 4000;
constexpr std::uint32_t kRabbitDelayMs = 150;
constexpr std::uint32_t kRabbitHoldMs = 3000;
constexpr std::uint32_t kKnockHoldMs = 2000;

inline constexpr const char* kOrvaneMessage = "The Orvane has you...";
inline constexpr const char* kRabbitMessage = "Follow the white rabbit.";

// The name the messages address, by the user mode: the fixed name, the logged-on user's
// (empty when the system cannot tell), or the configured one cut to 25 characters; a first
// letter a to z is made upper case.
std::string displayedName(const Settings& settings, Platform& platform);

// The first and the last message; an empty name gives the fixed ones.
std::string wakeUpMessage(const std::string& name);
std::string knockMessage(const std::string& name);

// The whole sequence on dc (width x height); returns when done or stopped.
void wakeUpMessages(ShowSequencer& show, Canvas& dc, int width, int height);

}  // namespace orvane
