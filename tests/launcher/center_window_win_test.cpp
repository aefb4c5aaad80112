// Centring with sizes where the rule's "- 1" and its rounding toward zero show: the menu's
// own 325 x 545 on a 1280 x 1024 screen lands on the same spot either way.
#include <gtest/gtest.h>

#include <vector>

#include "launcher.h"

TEST(center_window, centres_top_level_windows_on_the_screen_and_children_in_the_parent_plus_one) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.lpszClassName = "korv center test";
  RegisterClassA(&window_class);
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  // A 400 x 300 parent is a 401 x 301 reference: (401 - 100 - 1) / 2, (301 - 50 - 1) / 2.
  HWND parent = CreateWindowExA(0, "korv center test", "", WS_POPUP, 100, 50, 400, 300, nullptr, nullptr,
                                nullptr, nullptr);
  const struct {
    bool child;
    int cx, cy, x, y;
  } cases[] = {
      {false, 326, 546, (width - 326 - 1) / 2, (height - 546 - 1) / 2},
      {false, 327, 100, (width - 327 - 1) / 2, (height - 100 - 1) / 2},
      {false, width + 11, height + 12, -6, -6},  // the division truncates toward zero
      {true, 100, 50, 150, 125},
  };
  for (const auto& c : cases) {
    HWND window = CreateWindowExA(0, "korv center test", "", c.child ? WS_CHILD : WS_POPUP, 3, 7, c.cx, c.cy,
                                  c.child ? parent : nullptr, nullptr, nullptr, nullptr);
    center_window(window);
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, c.child ? parent : nullptr, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(std::vector<LONG>({rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}),
              std::vector<LONG>({c.x, c.y, c.cx, c.cy}));
    DestroyWindow(window);
  }
  DestroyWindow(parent);
}
