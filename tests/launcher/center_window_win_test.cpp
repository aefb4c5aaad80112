// Centring with sizes where the rule's "- 1" and its rounding toward zero show: the menu's
// own 325 x 545 on a 1280 x 1024 screen lands on the same spot either way.
#include "launcher.h"

#include <gtest/gtest.h>

#include <string>

namespace {

LRESULT CALLBACK plain_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(window, message, wparam, lparam);
}

TEST(center_window, centres_top_level_windows_on_the_screen_and_children_in_the_parent_plus_one) {
  const char* const test_class = "korv center test";
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = plain_window_proc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = test_class;
  RegisterClassA(&window_class);
  const int screen_width = GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = GetSystemMetrics(SM_CYSCREEN);
  // A 400 x 300 parent is a 401 x 301 reference: (401 - 100 - 1) / 2, (301 - 50 - 1) / 2.
  HWND parent = CreateWindowExA(0, test_class, "", WS_POPUP, 100, 50, 400, 300, nullptr, nullptr,
                                window_class.hInstance, nullptr);
  ASSERT_NE(parent, nullptr);
  struct centring {
    bool child;
    SIZE size;
    POINT expected;
  };
  // Even and odd differences, and a window wider and taller than the screen, where the
  // division must truncate toward zero.
  const centring cases[] = {
      {false, {325, 545}, {(screen_width - 325 - 1) / 2, (screen_height - 545 - 1) / 2}},
      {false, {326, 546}, {(screen_width - 326 - 1) / 2, (screen_height - 546 - 1) / 2}},
      {false, {327, 100}, {(screen_width - 327 - 1) / 2, (screen_height - 100 - 1) / 2}},
      {false, {screen_width + 11, screen_height + 12}, {-6, -6}},
      {true, {100, 50}, {150, 125}},
  };
  for (const centring& c : cases) {
    SCOPED_TRACE(std::string(c.child ? "child " : "") + std::to_string(c.size.cx) + " x " +
                 std::to_string(c.size.cy));
    HWND window =
        CreateWindowExA(0, test_class, "", c.child ? WS_CHILD : WS_POPUP, 3, 7, c.size.cx, c.size.cy,
                        c.child ? parent : nullptr, nullptr, window_class.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    center_window(window);
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, c.child ? parent : nullptr, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, c.expected.x);
    EXPECT_EQ(rect.top, c.expected.y);
    EXPECT_EQ(rect.right - rect.left, c.size.cx);
    EXPECT_EQ(rect.bottom - rect.top, c.size.cy);
    DestroyWindow(window);
  }
  DestroyWindow(parent);
  UnregisterClassA(test_class, window_class.hInstance);
}

}  // namespace
