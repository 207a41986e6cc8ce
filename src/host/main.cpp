// The screensaver's entry point: idle priority, the settings, then the mode switch. Every way
// out ends with exit code 0, including a machine where no display can be opened.
#include <QApplication>
#include <QGuiApplication>

#include <sched.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "config/configuration_mode.h"
#include "glyph_picture_resource.h"
#include "host/ini_file.h"
#include "host/run_mode.h"
#include "host/settings.h"
#include "platform/qt_show.h"

namespace {

namespace fs = std::filesystem;
using namespace orvane;

constexpr const char* kApplicationTitle = "TheOrvane Screensaver";
constexpr int kIdleNice = 19;

void lowerPriority() {
    sched_param param{};
    param.sched_priority = 0;
    if (sched_setscheduler(0, SCHED_IDLE, &param) != 0) {
        // Not allowed here: the lowest nice value is the next best thing. A failure is ignored.
        setpriority(PRIO_PROCESS, 0, kIdleNice);
    }
}

fs::path executableDir(const char* argv0) {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error && !self.empty()) {
        return self.parent_path();
    }
    const fs::path fromArgument = fs::absolute(fs::path(argv0 != nullptr ? argv0 : ""), error);
    return error ? fs::current_path(error) : fromArgument.parent_path();
}

// While the application object starts, a platform that cannot open a display ends the
// program quietly with code 0 instead of aborting it.
void quietStartHandler(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type == QtFatalMsg) {
        std::_Exit(EXIT_SUCCESS);
    }
}

template <typename Application>
std::unique_ptr<Application> startApplication(int& argc, char** argv) {
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
    const QtMessageHandler previous = qInstallMessageHandler(quietStartHandler);
    auto application = std::make_unique<Application>(argc, argv);
    qInstallMessageHandler(previous);
    return application;
}

int runShow(int& argc, char** argv, const Settings& settings) {
    auto application = startApplication<QGuiApplication>(argc, argv);
    if (QGuiApplication::screens().isEmpty()) {
        return 0;
    }
    QtShow show(settings, loadGlyphPicture());
    show.open();
    QGuiApplication::exec();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    lowerPriority();
    const fs::path settingsFile = settingsFilePath(executableDir(argc > 0 ? argv[0] : nullptr));
    Settings settings = loadSettings(IniFile::load(settingsFile));

    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    switch (runModeFromArguments(arguments)) {
    case RunMode::Show:
        runShow(argc, argv, settings);
        break;
    case RunMode::Configure: {
        auto application = startApplication<QApplication>(argc, argv);
        runConfigurationMode(settings, settingsFile);
        break;
    }
    case RunMode::Preview:
    case RunMode::Quit:
        break;
    }
    return 0;
}
