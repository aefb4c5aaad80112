// Centring with sizes where the rule's "- 1" and its rounding toward zero show: the menu's
// own 325 x 545 on a 1280 x 1024 screen lands on the same spot either way.
#include "launcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

LRESULT CALLBACK plain_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(window, message, wparam, lparam);
}

const char* const test_class = "korv center test";

class center_window_test : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = plain_window_proc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = test_class;
    RegisterClassA(&window_class);
  }
  void TearDown() override {
    for (HWND window : windows) DestroyWindow(window);
    UnregisterClassA(test_class, GetModuleHandleA(nullptr));
  }
  HWND make(DWORD style, int x, int y, int width, int height, HWND parent) {
    HWND window = CreateWindowExA(0, test_class, "", style, x, y, width, height, parent, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (window != nullptr) windows.insert(windows.begin(), window);  // children go first
    return window;
  }
  std::vector<HWND> windows;
};

RECT window_rect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

TEST_F(center_window_test, top_level_windows_centre_on_the_screen) {
  const int screen_width = GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = GetSystemMetrics(SM_CYSCREEN);
  // Even and odd differences, and a window wider and taller than the screen, where the
  // division must truncate toward zero.
  const SIZE sizes[] = {{325, 545}, {326, 546}, {327, 100}, {screen_width + 11, screen_height + 12}};
  for (const SIZE& size : sizes) {
    SCOPED_TRACE(std::to_string(size.cx) + " x " + std::to_string(size.cy));
    HWND window = make(WS_POPUP, 3, 7, size.cx, size.cy, nullptr);
    ASSERT_NE(window, nullptr);
    center_window(window);
    RECT rect = window_rect(window);
    EXPECT_EQ(rect.left, (screen_width - size.cx - 1) / 2);
    EXPECT_EQ(rect.top, (screen_height - size.cy - 1) / 2);
    EXPECT_EQ(rect.right - rect.left, size.cx);
    EXPECT_EQ(rect.bottom - rect.top, size.cy);
  }
}

TEST_F(center_window_test, child_windows_centre_in_the_parent_rectangle_plus_one) {
  HWND parent = make(WS_POPUP, 100, 50, 400, 300, nullptr);
  ASSERT_NE(parent, nullptr);
  HWND child = make(WS_CHILD, 0, 0, 100, 50, parent);
  ASSERT_NE(child, nullptr);
  center_window(child);
  RECT rect = window_rect(child);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  // Reference 401 x 301: x = (401 - 100 - 1) / 2, y = (301 - 50 - 1) / 2.
  EXPECT_EQ(rect.left, 150);
  EXPECT_EQ(rect.top, 125);
  EXPECT_EQ(rect.right - rect.left, 100);
  EXPECT_EQ(rect.bottom - rect.top, 50);
}

}  // namespace
