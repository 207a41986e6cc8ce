#include "config/home_page_link.h"

#include <fstream>
#include <system_error>

#include <QDesktopServices>
#include <QUrl>

namespace orvane {

namespace {

constexpr const char* kProbeContent = "test\n";

}  // namespace

void openHomePage(const std::filesystem::path& programFolder, const QString& address,
                  const WebPageOpener& open) {
    const std::filesystem::path probe = programFolder / kLinkProbeFileName;
    std::error_code error;
    if (!std::filesystem::exists(probe, error)) {
        bool created = false;
        {
            std::ofstream out(probe, std::ios::binary);
            created = out.is_open();
            out << kProbeContent;
        }
        if (created) {
            std::filesystem::remove(probe, error);
        }
    }
    open(address);
}

void openInWebBrowser(const QString& address) { QDesktopServices::openUrl(QUrl(address)); }

}  // namespace orvane
