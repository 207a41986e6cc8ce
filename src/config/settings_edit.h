// The "&Settings" edit cycle: a fresh settings dialog filled from the record; on "&Ok" its
// values go back into the record and the settings file is rewritten at once.
#pragma once

#include <filesystem>

#include "config/config_services.h"
#include "host/settings.h"

class QWidget;

namespace orvane {

// Returns true when the dialog ended with "&Ok" and the file was written. A failed write is
// reported through services.showMessage and leaves the previous file as it was.
bool editSettings(QWidget* parent, Settings& settings, const std::filesystem::path& settingsFile,
                  const ConfigServices& services);

}  // namespace orvane
