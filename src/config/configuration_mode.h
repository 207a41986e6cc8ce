// The configuration run mode: the About box, shown modally; its "&Settings" button edits the
// settings record and rewrites the settings file.
#pragma once

#include <filesystem>

#include "host/settings.h"

namespace orvane {

// Needs a QApplication. Returns the program's exit code.
int runConfigurationMode(Settings& settings, const std::filesystem::path& settingsFile);

}  // namespace orvane
