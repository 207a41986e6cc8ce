// Looks at the Windows side of the Windows end-to-end tests, run under the same Wine prefix as
// the program:
//   win_probe list                    every top-level window, one line each, tab-separated:
//                                     caption, visible (0/1), extended style and style (hex),
//                                     owner (hex, 0 for none), left, top, right, bottom.
//   win_probe monitors                every monitor: left, top, right, bottom, primary (0/1).
//   win_probe post CAPTION MSG WPARAM  posts a message (numbers decimal or 0x hexadecimal) to
//                                     the top-level window of that caption; exit code 1 when
//                                     there is none.
//   win_probe frames SECONDS X Y W H  reads that rectangle of the screen as often as it can for
//                                     SECONDS and prints how often it changed: "changes N
//                                     median M mean A p10 P p90 Q" (intervals in ms, between
//                                     consecutive changes).
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

// Frames: each read of the rectangle is hashed; a new hash is a new frame on the screen.
int frames(double seconds, int x, int y, int width, int height) {
    timeBeginPeriod(1);  // the probe itself must not read in 15.6 ms steps
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (screen == nullptr || memory == nullptr || bitmap == nullptr) {
        std::fprintf(stderr, "win_probe: cannot read the screen\n");
        return 1;
    }
    SelectObject(memory, bitmap);
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const auto elapsedMs = [&] {
        QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
               static_cast<double>(frequency.QuadPart);
    };
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::uint64_t last = 0;
    std::vector<double> changes;
    while (elapsedMs() < seconds * 1000.0) {
        BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY);
        GdiFlush();
        std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
        for (std::size_t i = 0; i < count; ++i) {
            hash = (hash ^ pixels[i]) * 1099511628211ull;
        }
        if (hash != last) {
            changes.push_back(elapsedMs());
            last = hash;
        }
        Sleep(1);
    }
    std::vector<double> intervals;
    for (std::size_t i = 2; i < changes.size(); ++i) {  // the first change is the first read
        intervals.push_back(changes[i] - changes[i - 1]);
    }
    if (intervals.empty()) {
        std::printf("changes %zu\n", changes.size());
        return 1;
    }
    double sum = 0;
    for (double d : intervals) {
        sum += d;
    }
    std::sort(intervals.begin(), intervals.end());
    const auto at = [&](double q) { return intervals[static_cast<std::size_t>(q * (intervals.size() - 1))]; };
    std::printf("changes %zu median %.1f mean %.1f p10 %.1f p90 %.1f\n", changes.size(), at(0.5),
                sum / static_cast<double>(intervals.size()), at(0.1), at(0.9));
    timeEndPeriod(1);
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
    if (command == "frames" && argc == 7) {
        return frames(std::atof(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
                      std::atoi(argv[6]));
    }
    std::fprintf(stderr,
                 "usage: win_probe list | monitors | post CAPTION MSG WPARAM | frames S X Y W H\n");
    return 2;
}
