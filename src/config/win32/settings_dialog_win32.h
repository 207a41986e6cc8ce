// The settings dialog in native Windows controls: a tab control with the three pages, track
// bars, check boxes, radio buttons, group boxes, edits, the two colour swatches and the colour
// picker, at the positions of the 96-pixels-per-inch layout scaled to the system's DPI. It only
// puts the shared settings values (config/settings_form.h) on its controls and takes them back.
#pragma once

#include <windows.h>

#include <optional>

#include "config/settings_form.h"

namespace orvane {

// Shows the dialog modally over owner (disabled meanwhile), filled from the record. Returns the
// record with the dialog's values on "&Ok" (refused, with a message, while "Suspend After" is not
// a whole number), nothing on "&Cancel", Escape or the close box.
std::optional<Settings> runSettingsDialog(HWND owner, const Settings& settings);

}  // namespace orvane
