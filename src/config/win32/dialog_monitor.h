// Where the configuration windows open and at what scale. They open on the monitor of the
// window that asked for them (Windows' screen saver page names its own after "/c:"), else on
// that of the foreground window, else on the one under the pointer, and they take that
// monitor's DPI. The per-monitor calls are looked up at run time: where a Windows version
// lacks them, the system DPI (LOGPIXELSY) is the scale, as before per-monitor DPI existed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// The window id given with the configuration switch, "/c:1234" or "/c 1234" (decimal, or
// hexadecimal after "0x"); nothing for any other command line.
std::optional<std::uint32_t> configureWindowId(const std::vector<std::string>& arguments);

// That id, read from this process's command line, as a window that exists now; else null.
HWND windowNamedOnCommandLine();

// The monitor of anchor when it is a window, else of the foreground window (not the desktop),
// else the one under the pointer, else the primary.
HMONITOR dialogMonitor(HWND anchor);
RECT monitorWorkArea(HMONITOR monitor);
int monitorDpi(HMONITOR monitor);
// The DPI the window is drawn at now.
int windowDpi(HWND window);

// The window rectangle around a client area of width x height at 0,0, its frame drawn at dpi.
RECT windowRectForClient(int width, int height, DWORD style, DWORD exStyle, int dpi);

// A width x height rectangle centred on the work area; one larger than the work area keeps its
// top left corner (the caption and the first controls) inside it.
RECT centredOn(const RECT& workArea, int width, int height);

}  // namespace orvane
