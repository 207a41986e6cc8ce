// Every fixed text of the configuration windows, as "kind: text" sorted, the same list for
// the Qt and the Win32 front ends' tests.
#pragma once

#include <string>
#include <vector>

namespace orvane::test {

inline const std::vector<std::string> kSettingsDialogTexts = {
    "button: &Cancel",
    "button: &Defaults",
    "button: &Ok",
    "button: Select...",
    "button: Select...",
    "check: Show The Orvane title sequence",
    "check: Show trace program sequence",
    "check: Use Escape/LMB Exit",
    "group: Colour",
    "group: Density",
    "group: Displayed Date and Time",
    "group: Displayed Name",
    "group: General",
    "group: Power Save",
    "group: Speed Settings",
    "group: Trace Program Phone Number",
    "label: (10 digits with spaces allowed)",
    "label: Code ",  // with its trailing blank
    "label: Highlight",
    "label: Scroll Speed",
    "label: Suspend After",
    "label: Variability",
    "label: minutes",
    "radio: Current date/time",
    "radio: Date/Time from movie",
    "radio: Use 'Kel' as name",
    "radio: Use computer user name",
    "radio: Use specified name",
    "tab: Code Emulation",
    "tab: Intro Sequence",
    "tab: Power Save",
    "title: The Orvane Settings",
};

// The About box's, without the credit lines (their texts are the credit table's).
inline const std::vector<std::string> kAboutBoxTexts = {
    "button: &Ok",
    "button: &Settings",
    "label: Orvane character images by",
    "label: Screen Saver",
    "label: The Orvane",
    "label: Version 1.12 - 01 August 2010",
    "label: Written by",
    "title: About The Orvane Screen Saver",
};

}  // namespace orvane::test
