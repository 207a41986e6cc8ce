// The About box's link: opens the project's web page through the desktop's own handler for
// web addresses, which picks the user's web browser.
#pragma once

#include <filesystem>
#include <functional>

#include <QString>

namespace orvane {

constexpr const char* kLinkProbeFileName = "TheOrvane.htm";

// Hands a web address to the desktop to open.
using WebPageOpener = std::function<void(const QString& address)>;

// The link's steps: a "TheOrvane.htm" beside the program is made when there is none ("test"
// and a line break) and removed again, an existing one is left alone; then the address is
// opened. A probe that cannot be made (a read-only program folder) does not stop the page
// from opening.
void openHomePage(const std::filesystem::path& programFolder, const QString& address,
                  const WebPageOpener& open);

// The desktop's handler for the address (QDesktopServices::openUrl).
void openInWebBrowser(const QString& address);

}  // namespace orvane
