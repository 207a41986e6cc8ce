// The About box's link: find the program that opens web pages by asking which program opens
// a temporary "TheOrvane.htm" beside the program, then start it on the project's address.
#pragma once

#include <filesystem>
#include <functional>

#include <QString>
#include <QStringList>

namespace orvane {

constexpr const char* kLinkProbeFileName = "TheOrvane.htm";

struct WebPageOpener {
    // The command that opens a file like this one (program and arguments), or nothing.
    std::function<QStringList(const std::filesystem::path& file)> findProgramFor;
    // Starts the command; an empty command hands the address to the desktop's URL opener.
    std::function<void(const QStringList& command, const QString& address)> start;
};

// The link's steps: create the probe file when absent ("test" and a line break), find its
// program, remove the probe again if we made it, start the program with the address. A probe
// that cannot be created (a read-only program folder) does not stop the page from opening:
// the program is then found by the file's name alone.
void openHomePage(const std::filesystem::path& programFolder, const QString& address,
                  const WebPageOpener& opener);

// The desktop's program for a file, found by its type: the type's default application
// (xdg-mime) and that application's Exec line, without its field codes.
QStringList desktopProgramFor(const std::filesystem::path& file);

// Starts command followed by the address, detached; with no command, asks Qt's desktop
// services to open the address.
void startWebBrowser(const QStringList& command, const QString& address);

}  // namespace orvane
