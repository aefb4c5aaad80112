#include "window_dpi.h"

#include "menu_layout.h"

namespace {

using dpi_for_window_call = UINT(WINAPI*)(HWND);
using adjust_for_dpi_call = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// Null where this Windows lacks the call. Looked up at each use: the menu asks only when
// it lays itself out.
template <typename call>
call user32_call(const char* name) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  return user32 != nullptr ? reinterpret_cast<call>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                           : nullptr;
}

}  // namespace

int system_dpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : base_dpi;
}

int window_dpi(HWND window) {
  const auto dpi_for_window = user32_call<dpi_for_window_call>("GetDpiForWindow");
  const int dpi = dpi_for_window != nullptr ? static_cast<int>(dpi_for_window(window)) : 0;
  return dpi > 0 ? dpi : system_dpi();
}

RECT window_frame(DWORD style, int dpi) {
  const auto adjust_for_dpi = user32_call<adjust_for_dpi_call>("AdjustWindowRectExForDpi");
  RECT outer = {0, 0, 0, 0};
  if (adjust_for_dpi != nullptr && adjust_for_dpi(&outer, style, FALSE, 0, static_cast<UINT>(dpi)))
    return {-outer.left, -outer.top, outer.right, outer.bottom};
  // Without the call, the frame is the one at the system's DPI, grown or shrunk to dpi.
  AdjustWindowRectEx(&outer, style, FALSE, 0);
  const int from = system_dpi();
  return {scale_length(-outer.left, from, dpi), scale_length(-outer.top, from, dpi),
          scale_length(outer.right, from, dpi), scale_length(outer.bottom, from, dpi)};
}
