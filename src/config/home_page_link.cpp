#include "config/home_page_link.h"

#include <fstream>
#include <system_error>

#include <QDesktopServices>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace orvane {

namespace {

constexpr const char* kProbeContent = "test\n";
constexpr int kXdgMimeTimeoutMs = 3000;
constexpr const char* kDesktopEntrySection = "[Desktop Entry]";
constexpr const char* kExecKey = "Exec=";

// The Exec value of a desktop file's main section, or empty.
QString execLine(const QString& desktopFile) {
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith('[')) {
            inEntry = line == kDesktopEntrySection;
        } else if (inEntry && line.startsWith(kExecKey)) {
            return line.mid(static_cast<int>(qstrlen(kExecKey)));
        }
    }
    return {};
}

// The command words of an Exec line: field codes (%u, %F, ...) dropped, "%%" kept as "%".
QStringList commandWords(const QString& exec) {
    QStringList words;
    for (const QString& word : QProcess::splitCommand(exec)) {
        if (word.size() == 2 && word[0] == '%' && word[1] != '%') {
            continue;
        }
        QString plain = word;
        plain.replace("%%", "%");
        words << plain;
    }
    return words;
}

}  // namespace

void openHomePage(const std::filesystem::path& programFolder, const QString& address,
                  const WebPageOpener& opener) {
    const std::filesystem::path probe = programFolder / kLinkProbeFileName;
    std::error_code error;
    bool created = false;
    if (!std::filesystem::exists(probe, error)) {
        std::ofstream out(probe, std::ios::binary);
        created = out.is_open();
        out << kProbeContent;
    }
    const QStringList command = opener.findProgramFor(probe);
    if (created) {
        std::filesystem::remove(probe, error);
    }
    opener.start(command, address);
}

QStringList desktopProgramFor(const std::filesystem::path& file) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(QString::fromStdString(file.string()),
                                                           QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault()) {
        return {};
    }
    QProcess query;
    query.start("xdg-mime", {"query", "default", type.name()});
    if (!query.waitForFinished(kXdgMimeTimeoutMs) || query.exitCode() != 0) {
        query.kill();
        return {};
    }
    const QString desktopId = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    if (desktopId.isEmpty()) {
        return {};
    }
    const QString desktopFile =
        QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopId);
    if (desktopFile.isEmpty()) {
        return {};
    }
    return commandWords(execLine(desktopFile));
}

void startWebBrowser(const QStringList& command, const QString& address) {
    if (command.isEmpty()) {
        QDesktopServices::openUrl(QUrl(address));
        return;
    }
    QProcess::startDetached(command.front(), command.mid(1) << address);
}

}  // namespace orvane
