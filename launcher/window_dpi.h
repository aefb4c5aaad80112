// The DPI a window is shown at and the frame Windows draws around a window at a DPI. The
// per-monitor calls arrived with Windows 10, so they are looked up at run time; older
// Windows runs the menu system aware, every window at the system's DPI.
#pragma once

#include <windows.h>

// WM_DPICHANGED, sent on Windows 8.1 and later when a window moves to a monitor of another
// DPI: the new DPI in both words of wparam, lparam the place Windows suggests there.
constexpr UINT dpi_changed_message = 0x02E0;

int system_dpi();
int window_dpi(HWND window);

// The widths of the frame around the client area of a window with this style (and no menu
// or extended style) at dpi: how far each outer edge lies beyond the client edge.
RECT window_frame(DWORD style, int dpi);
