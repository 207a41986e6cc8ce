// The Windows screen saver's entry point: idle priority, the settings, then the mode switch.
// Every way out ends with exit code 0; no message box but the settings dialog's own.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "glyph_picture_resource.h"
#include "config/win32/about_box_win32.h"
#include "host/ini_file.h"
#include "host/run_mode.h"
#include "host/settings.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_show.h"

namespace {

using namespace orvane;

// The command line after the program name.
std::vector<std::string> arguments() {
    std::vector<std::string> list;
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr) {
        return list;
    }
    for (int i = 1; i < count; ++i) {
        list.push_back(toUtf8(words[i]));
    }
    LocalFree(words);
    return list;
}

std::filesystem::path executableDir() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return std::filesystem::current_path();
        }
        if (length < path.size()) {
            path.resize(length);
            return std::filesystem::path(path).parent_path();
        }
        path.resize(path.size() * 2);  // a long path: try again with room for it
    }
}

int runShow(HINSTANCE instance, const Settings& settings) {
    Win32Show show(instance, settings, loadGlyphPicture(), systemMonitors());
    if (!show.ready()) {
        return 0;
    }
    const FineTimerResolution fineTimer;  // from the first frame to the last
    show.open();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // A screen saver never stops the desktop with a dialog of the system's or the runtime's.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    _set_error_mode(_OUT_TO_STDERR);
    // Everything runs on this one thread; input boosts the window that receives it.
    SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    try {
        const std::filesystem::path settingsFile = settingsFilePath(executableDir());
        Settings settings = loadSettings(IniFile::load(settingsFile));
        switch (windowsRunModeFromArguments(arguments())) {
        case RunMode::Show:
            runShow(instance, settings);
            break;
        case RunMode::Configure:
            runConfigurationMode(instance, settings, settingsFile);
            break;
        case RunMode::Preview:
        case RunMode::Quit:
        case RunMode::Module:
            break;
        }
    } catch (...) {
        // No memory for a monitor's picture, say: the program just ends.
    }
    return 0;
}
