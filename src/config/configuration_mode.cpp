#include "config/configuration_mode.h"

#include "config/about_box.h"
#include "config/config_services.h"

namespace orvane {

int runConfigurationMode(Settings& settings, const std::filesystem::path& settingsFile) {
    AboutBox about(settings, settingsFile, desktopConfigServices());
    about.exec();
    return 0;
}

}  // namespace orvane
