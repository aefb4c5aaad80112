// The menu's window services in this process: centring, where the rule's "- 1" and its
// rounding toward zero show, and the error box's icon (another process cannot compare icons).
#include <cstring>

#include "driver_select.h"
#include "install_state.h"
#include "main_window.h"
#include "scratch_windows.h"

TEST(main_window, centres_top_level_windows_on_the_screen_and_children_in_the_parent_plus_one) {
  WNDCLASSA window_class{0, DefWindowProcA};
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

TEST(main_window, the_error_box_shows_the_error_icon) {
  static LRESULT shown = 0;
  answer_own_message_box([](HWND, HWND icon) { shown = SendMessageA(icon, STM_GETICON, 0, 0); });
  error_box(error_installation);
  EXPECT_EQ(shown, reinterpret_cast<LRESULT>(LoadIconA(nullptr, IDI_ERROR)));
}

namespace {

// Closed from outside (End task, a logoff) while Select Driver is open, the menu tidies the
// file library up at once: the selection must then touch no handle it held, and write nothing.
int library_calls_after_close = 0;

DWORD WINAPI close_menu_at_select_driver(void*) {
  while (!FindWindowA("#32770", "Select Driver")) Sleep(20);
  PostMessageA(g_main_window, WM_CLOSE, 0, 0);
  return 0;
}

}  // namespace

// Wrapped by its mangled name; calling the real one makes a changed signature fail the link.
[[maybe_unused]] void (*const pfdir_close_type)(pf_dir*) = &pfdir_close;
extern "C" void __real__Z11pfdir_closeP6pf_dir(pf_dir* dir);
extern "C" void __wrap__Z11pfdir_closeP6pf_dir(pf_dir* dir) {
  library_calls_after_close += menu_closed();
  __real__Z11pfdir_closeP6pf_dir(dir);
}

TEST(main_window, a_menu_closed_while_select_driver_is_open_touches_no_released_handle) {
  char temp[MAX_PATH], bin[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string game = std::string(temp) + "korv closed menu", prepared = game + "\\prepared.dat";
  GetModuleFileNameA(nullptr, bin, MAX_PATH);
  *strrchr(bin, '\\') = '\0';
  ASSERT_TRUE(remove_tree(game) && make_directory(game) &&  // what a failed earlier run left goes first
              write_bytes(prepared, "NUM_DRIVERS 1\r\nMMX PRESENT 0\r\n"));
  ASSERT_TRUE(
      CopyFileA((std::string(bin) + "\\recorder.exe").c_str(), (game + "\\mprofile.exe").c_str(), FALSE));
  SetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", prepared.c_str());  // the stand-in's result
  g_instance = GetModuleHandleA(nullptr);
  fileio_init();
  register_menu_class("korv closed menu");
  g_main_window =
      CreateWindowExA(0, "korv closed menu", "", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, g_instance, nullptr);
  CloseHandle(CreateThread(nullptr, 0, close_menu_at_select_driver, nullptr, 0, nullptr));
  EXPECT_EQ(select_video_driver(game.c_str(), DRIVER_SELECT_INTERACTIVE), 0);
  EXPECT_TRUE(menu_closed());
  EXPECT_EQ(library_calls_after_close, 0);
  EXPECT_EQ(read_bytes(game + "\\korvexe.dat"), "<missing>");
  remove_tree(game);
}
