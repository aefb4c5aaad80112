// The baseline for the start-up benchmark: the least a Win32 program does to show a
// painted window of the menu's size. It registers a class, creates the window, fills
// the picture's 320 by 240 area in one colour on every paint and runs a message loop.
#include <windows.h>

namespace {

// The colour the timer waits for at the picture point.
const COLORREF fill_colour = RGB(32, 96, 160);

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      HBRUSH brush = CreateSolidBrush(fill_colour);
      RECT area = {0, 0, 320, 240};
      FillRect(dc, &area, brush);
      DeleteObject(brush);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  WNDCLASSA window_class = {};
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = window_proc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = "Bare Window";
  if (!RegisterClassA(&window_class)) return 1;
  HWND window = CreateWindowExA(0, "Bare Window", "Bare Window", WS_CAPTION | WS_SYSMENU, 0, 0, 325, 545,
                                nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
