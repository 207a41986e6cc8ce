// Looks at the Windows side of the Windows end-to-end tests, run under the same Wine prefix as
// the program:
//   win_probe list                    every top-level window, one line each, tab-separated:
//                                     caption, visible (0/1), extended style and style (hex),
//                                     owner (hex, 0 for none), left, top, right, bottom.
//   win_probe monitors                every monitor: left, top, right, bottom, primary (0/1).
//   win_probe post CAPTION MSG WPARAM  posts a message (numbers decimal or 0x hexadecimal) to
//                                     the top-level window of that caption; exit code 1 when
//                                     there is none.
//   win_probe topmost CAPTION L T W H SECONDS  shows a white always-on-top window there (as a
//                                     secondary taskbar is) for SECONDS, then ends.
// Windows are listed in their stacking order, the topmost first.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::wstring wide(const char* text) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(std::max(size, 1)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), size);
    out.resize(out.size() - 1);
    return out;
}

BOOL CALLBACK listWindow(HWND window, LPARAM) {
    wchar_t caption[256] = L"";
    GetWindowTextW(window, caption, 256);
    RECT r{};
    GetWindowRect(window, &r);
    std::printf("%s\t%d\t0x%08lx\t0x%08lx\t0x%llx\t%ld\t%ld\t%ld\t%ld\n", utf8(caption).c_str(),
                IsWindowVisible(window) ? 1 : 0,
                static_cast<unsigned long>(GetWindowLongPtrW(window, GWL_EXSTYLE)),
                static_cast<unsigned long>(GetWindowLongPtrW(window, GWL_STYLE)),
                static_cast<unsigned long long>(
                    reinterpret_cast<std::uintptr_t>(GetWindow(window, GW_OWNER))),
                r.left, r.top, r.right, r.bottom);
    return TRUE;
}

BOOL CALLBACK listMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(monitor, &info)) {
        const RECT& r = info.rcMonitor;
        std::printf("%ld\t%ld\t%ld\t%ld\t%d\n", r.left, r.top, r.right, r.bottom,
                    (info.dwFlags & MONITORINFOF_PRIMARY) != 0 ? 1 : 0);
    }
    return TRUE;
}

int post(const char* caption, const char* message, const char* wParam) {
    HWND window = FindWindowW(nullptr, wide(caption).c_str());
    if (window == nullptr) {
        std::fprintf(stderr, "win_probe: no window '%s'\n", caption);
        return 1;
    }
    const auto number = [](const char* text) { return std::strtoull(text, nullptr, 0); };
    return PostMessageW(window, static_cast<UINT>(number(message)),
                        static_cast<WPARAM>(number(wParam)), 0)
               ? 0
               : 1;
}

int topmost(const char* caption, int left, int top, int width, int height, double seconds) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = L"WinProbeTopmost";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, windowClass.lpszClassName,
                                  wide(caption).c_str(), WS_POPUP | WS_VISIBLE, left, top, width,
                                  height, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    SetTimer(window, 1, static_cast<UINT>(seconds * 1000), nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER) {
            break;
        }
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "list") {
        EnumWindows(listWindow, 0);
        return 0;
    }
    if (command == "monitors") {
        EnumDisplayMonitors(nullptr, nullptr, listMonitor, 0);
        return 0;
    }
    if (command == "post" && argc == 5) {
        return post(argv[2], argv[3], argv[4]);
    }
    if (command == "topmost" && argc == 8) {
        return topmost(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
                       std::atoi(argv[6]), std::atof(argv[7]));
    }
    std::fprintf(stderr, "usage: win_probe list | monitors | post CAPTION MSG WPARAM"
                         " | topmost CAPTION L T W H SECONDS\n");
    return 2;
}
