// The demo's game programs (korv.exe, korv3dfx.exe, korvsw.exe, korvk6.exe, netlaunc.exe
// are all this program): a window of class and title "Korvamund", which the menu takes for
// the running game, showing how it was started. Escape or the close box ends it.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "command_line.h"
#include "game_options.h"

namespace {

constexpr char game_class[] = "Korvamund";
constexpr char game_title[] = "Korvamund";

char g_report[4096];

void build_report() {
  char module_path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, module_path, sizeof module_path);
  if (length == 0 || length >= sizeof module_path)
    std::snprintf(module_path, sizeof module_path, "(unknown)");
  const char* name = std::strrchr(module_path, '\\');
  name = name ? name + 1 : module_path;
  char current_dir[MAX_PATH];
  length = GetCurrentDirectoryA(sizeof current_dir, current_dir);
  if (length == 0 || length >= sizeof current_dir)
    std::snprintf(current_dir, sizeof current_dir, "(unknown)");
  const char* command_line = GetCommandLineA();
  char options[2048];
  describe_game_options(skip_known_program(command_line, module_path), options, sizeof options);
  std::snprintf(g_report, sizeof g_report,
                "Korvamund would start here.\r\n\r\n"
                "Program:  %s\r\nStarted as:  %s\r\nCommand line:  %s\r\nCurrent directory:  %s\r\n\r\n"
                "Options:\r\n%s\r\nPress Escape to close.",
                name, module_path, command_line, current_dir, options);
}

void paint(HWND window) {
  PAINTSTRUCT paint_info;
  HDC dc = BeginPaint(window, &paint_info);
  RECT area;
  GetClientRect(window, &area);
  InflateRect(&area, -16, -16);
  HGDIOBJ old_font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(240, 232, 200));
  DrawTextA(dc, g_report, -1, &area, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old_font);
  EndPaint(window, &paint_info);
}

LRESULT CALLBACK game_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      paint(window);
      return 0;
    case WM_KEYDOWN:
      if (wparam == VK_ESCAPE) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  build_report();
  HBRUSH background = CreateSolidBrush(RGB(24, 40, 56));
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = game_proc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  window_class.hbrBackground = background;
  window_class.lpszClassName = game_class;
  int result = 1;
  if (RegisterClassA(&window_class)) {
    constexpr int width = 640, height = 420;
    HWND window = CreateWindowExA(
        0, game_class, game_title, WS_OVERLAPPEDWINDOW, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
        (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr, instance, nullptr);
    if (window != nullptr) {
      ShowWindow(window, show);
      UpdateWindow(window);
      MSG message;
      while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
      result = 0;
    }
  }
  DeleteObject(background);
  return result;
}
