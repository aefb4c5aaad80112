// The menu window as a player meets it: its window and buttons, which buttons are enabled
// in which install state, the single-instance refusals, and the setup commands with the
// programs they start and the outcomes that close the menu.
#include "harness.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

struct button_row {
  int id;
  const char* label;
  int y;
  int height;
  bool enabled_when_installed;
  bool enabled_when_not_installed;
};

// In creation order, top to bottom.
const button_row buttons[] = {
    {8009, "Change Video Driver", 245, 30, true, false},     {8002, "Play Korvamund", 275, 45, true, false},
    {8008, "Play Network Game", 320, 45, true, false},       {8001, "Install Game", 365, 30, false, true},
    {8004, "Install DirectX", 395, 30, true, true},          {8006, "Uninstall Game", 425, 30, true, false},
    {8010, "Graphics Troubleshooting", 455, 30, true, true}, {8005, "Exit", 485, 30, true, true},
};

// Paths compare as Windows compares them: letter case, short names and a trailing '\' do
// not matter.
std::string normalized(const std::string& path) {
  char full[MAX_PATH + 1] = {};
  DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  std::string text = length > 0 && length < sizeof full ? std::string(full, length) : path;
  length = GetLongPathNameA(text.c_str(), full, sizeof full);
  if (length > 0 && length < sizeof full) text.assign(full, length);
  if (text.size() > 3 && text.back() == '\\') text.pop_back();
  CharLowerA(&text[0]);
  return text;
}

// Replaces each {cd}, {work} and {install} in text with that folder.
std::string expand(std::string text, const std::string& cd, const std::string& work,
                   const std::string& install) {
  const std::pair<const char*, const std::string*> names[] = {
      {"{cd}", &cd}, {"{work}", &work}, {"{install}", &install}};
  for (const auto& name : names) {
    for (size_t at; (at = text.find(name.first)) != std::string::npos;)
      text.replace(at, std::strlen(name.first), *name.second);
  }
  return text;
}

std::vector<bool> enable_states(const menu_process& menu) {
  std::vector<bool> states;
  for (const button_row& row : buttons) states.push_back(IsWindowEnabled(menu_button(menu, row.id)) != 0);
  return states;
}

std::vector<bool> expected_states(bool installed) {
  std::vector<bool> states;
  for (const button_row& row : buttons)
    states.push_back(installed ? row.enabled_when_installed : row.enabled_when_not_installed);
  return states;
}

LRESULT CALLBACK plain_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(window, message, wparam, lparam);
}

// A top-level window of this test process standing in for the game's or a menu's window.
HWND make_foreign_window(const char* class_name, const char* title) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = plain_window_proc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = class_name;
  RegisterClassA(&window_class);
  return CreateWindowExA(0, class_name, title, WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

class menu_test : public e2e_test {
 protected:
  // A CD folder holding the menu, an empty folder with a blank in its name to start it in,
  // and an install folder; all below sub (a fresh set per case).
  bool make_folders(const std::string& sub = "") {
    const std::string root = join_path(scratch_dir, sub);
    cd_dir = make_cd(root, {});
    work_dir = join_path(root, "work dir");
    install_dir = join_path(root, "Korv Games");
    return !cd_dir.empty() && make_dir(work_dir) && make_dir(install_dir);
  }

  // The menu has handled what was posted, shows no dialog and is still running a while later.
  void expect_stays_open(const menu_process& menu) {
    ASSERT_TRUE(wait_menu_idle(menu));
    EXPECT_FALSE(wait_for_exit(menu, settle_ms, nullptr)) << "the menu closed";
    EXPECT_EQ(find_dialog(menu.info.dwProcessId, nullptr), nullptr) << "a dialog or message box is open";
  }

  void expect_closes(const menu_process& menu) {
    DWORD exit_code = 1;
    ASSERT_TRUE(wait_for_exit(menu, default_timeout_ms, &exit_code)) << "the menu stayed open";
    EXPECT_EQ(exit_code, 0u);
    // Wine lists a window until a moment after its process has ended.
    EXPECT_TRUE(wait_until([] { return menu_windows().empty(); }, 3000));
  }

  std::string work_dir;
  std::string install_dir;
};

// One menu start: the window, the buttons, the picture, and the enable rules as the
// install state changes under the running menu.
TEST_F(menu_test, window_buttons_picture_and_enable_rules) {
  ASSERT_TRUE(make_folders());
  // Everything a command could start is in place, so a notification that started one shows.
  for (const char* name : {"setup.exe", "korv.exe", "mprofile.exe", "netlaunc.exe", "uninstall.exe"}) {
    ASSERT_TRUE(install_stand_in(join_path(cd_dir, name)) && install_stand_in(join_path(install_dir, name)));
  }
  ASSERT_TRUE(write_file(join_path(install_dir, "korvexe.dat"), "RAMP\r\nkorv.exe -arr\r\n"));
  ASSERT_TRUE(set_uninstall_string("\"" + join_path(install_dir, "uninstall.exe") + "\""));
  menu_process& menu = start_from_cd(work_dir);
  ASSERT_NE(menu.window, nullptr);

  EXPECT_EQ(window_text(menu.window), "Korvamund Startup");
  LONG style = GetWindowLongA(menu.window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_CHILD), 0);
  RECT outer;
  ASSERT_TRUE(GetWindowRect(menu.window, &outer));
  EXPECT_EQ(outer.right - outer.left, 325);
  EXPECT_EQ(outer.bottom - outer.top, 545);
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 325 - 1) / 2);
  EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 545 - 1) / 2);

  // The buttons, in creation order, below the 240-pixel picture.
  HWND child = GetWindow(menu.window, GW_CHILD);
  for (const button_row& row : buttons) {
    SCOPED_TRACE(row.label);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetDlgCtrlID(child), row.id);
    char class_name[64] = {};
    GetClassNameA(child, class_name, sizeof class_name);
    EXPECT_STREQ(class_name, "Button");
    EXPECT_EQ(window_text(child), row.label);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE)) & ~static_cast<DWORD>(WS_DISABLED),
              0x50014000u);
    EXPECT_EQ(GetWindowLongA(child, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY, 0);
    RECT rect;
    ASSERT_TRUE(GetWindowRect(child, &rect));
    MapWindowPoints(nullptr, menu.window, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 5);
    EXPECT_EQ(rect.right - rect.left, 310);
    EXPECT_EQ(rect.top, row.y);
    EXPECT_EQ(rect.bottom - rect.top, row.height);
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr);

  // The picture is artwork, not a flat fill; between it and the first button the class
  // background shows.
  POINT origin{0, 0};
  ClientToScreen(menu.window, &origin);
  HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  std::vector<COLORREF> seen;
  for (int y = 10; y < 240; y += 23) {
    for (int x = 10; x < 310; x += 29) {
      COLORREF colour = GetPixel(screen, origin.x + x, origin.y + y);
      if (std::find(seen.begin(), seen.end(), colour) == seen.end()) seen.push_back(colour);
    }
  }
  COLORREF gap_left = GetPixel(screen, origin.x + 2, origin.y + 242);
  COLORREF gap_middle = GetPixel(screen, origin.x + 150, origin.y + 243);
  ReleaseDC(nullptr, screen);
  EXPECT_GE(seen.size(), 4u);
  EXPECT_EQ(gap_left, GetSysColor(COLOR_INACTIVEBORDER));
  EXPECT_EQ(gap_middle, GetSysColor(COLOR_INACTIVEBORDER));

  EXPECT_EQ(enable_states(menu), expected_states(false));
  // Focus and double-click notifications and ids no button carries start nothing, but each
  // applies the rules again; any registered path, even " " or "", counts as installed.
  struct refresh {
    const char* path;  // null: no App Paths key
    int id;
    int notification;
  };
  const refresh refreshes[] = {{"{install}", 8005, BN_SETFOCUS}, {nullptr, 8002, BN_KILLFOCUS},
                               {" ", 8003, BN_CLICKED},          {nullptr, 8001, BN_DOUBLECLICKED},
                               {"", 8007, BN_CLICKED},           {"{install}", 8006, BN_SETFOCUS}};
  for (const refresh& r : refreshes) {
    SCOPED_TRACE(r.path == nullptr ? std::string("no path") : "Path \"" + std::string(r.path) + "\"");
    ASSERT_TRUE(r.path == nullptr ? delete_app_path()
                                  : set_app_path(expand(r.path, cd_dir, work_dir, install_dir)));
    post_notification(menu, r.id, r.notification);
    EXPECT_TRUE(wait_until([&] { return enable_states(menu) == expected_states(r.path != nullptr); }, 3000));
  }
  for (int notification : {BN_SETFOCUS, BN_KILLFOCUS, BN_DOUBLECLICKED}) {
    for (const button_row& row : buttons) post_notification(menu, row.id, notification);
  }
  expect_stays_open(menu);
  EXPECT_TRUE(read_recorder_log(log_path).empty());
}

TEST_F(menu_test, a_running_game_or_menu_stops_the_start_and_near_misses_do_not) {
  ASSERT_TRUE(make_folders());
  // Windows matching only the class or only the title.
  const char* const near_misses[][2] = {{"Korvamund", "Korvamund Launcher"},
                                        {"KorvamundOther", "Korvamund"},
                                        {"Korvamund Startup", "Korvamund Startup (old)"}};
  std::vector<HWND> foreign;
  for (const auto& pair : near_misses) foreign.push_back(make_foreign_window(pair[0], pair[1]));
  menu_process& first = start_from_cd(work_dir);
  ASSERT_NE(first.window, nullptr);

  menu_process& second = start(join_path(cd_dir, "startup.exe"), work_dir);
  EXPECT_EQ(second.window, nullptr);
  DWORD exit_code = 1;
  EXPECT_TRUE(wait_for_exit(second, default_timeout_ms, &exit_code));
  EXPECT_EQ(exit_code, 0u);
  EXPECT_EQ(menu_windows().size(), 1u);
  EXPECT_TRUE(menu_running(first));
  end_menu(&first);

  foreign.push_back(make_foreign_window(game_class_name, game_class_name));
  menu_process& third = start(join_path(cd_dir, "startup.exe"), work_dir);
  ASSERT_NE(third.info.hProcess, nullptr);
  EXPECT_EQ(third.window, nullptr);
  exit_code = 1;
  EXPECT_TRUE(wait_for_exit(third, default_timeout_ms, &exit_code));
  EXPECT_EQ(exit_code, 0u);
  EXPECT_TRUE(menu_windows().empty());
  for (HWND window : foreign) DestroyWindow(window);
}

// The commands that start a setup program, and Exit and the close box. E: is the second
// drive the Wine session maps.
enum class after { stays, closes, cdrom_error, install_error };
struct command_case {
  const char* label;
  int button;                // 0: the close box
  const char* stand_ins[2];  // recorder copies to place
  const char* current_dir;
  const char* app_path;   // null: no App Paths key
  const char* uninstall;  // null: no Uninstall key
  const char* started;    // the program expected to start, null: none
  const char* command_line;
  after outcome;
};

const command_case command_cases[] = {
    // Install Game: setup.exe beside the menu wins over one in the current directory.
    {"install",
     8001,
     {"{cd}\\setup.exe", "{work}\\setup.exe"},
     "{work}",
     nullptr,
     nullptr,
     "{cd}\\setup.exe",
     "setup.exe",
     after::stays},
    {"install from the current directory",
     8001,
     {"{work}\\setup.exe"},
     "{work}",
     " ",
     nullptr,
     "{work}\\setup.exe",
     "setup.exe",
     after::stays},
    {"install, path empty",
     8001,
     {"{cd}\\setup.exe"},
     "{work}",
     "",
     nullptr,
     "{cd}\\setup.exe",
     "setup.exe",
     after::stays},
    {"install when installed",
     8001,
     {"{cd}\\setup.exe"},
     "{work}",
     "{install}",
     nullptr,
     "{cd}\\setup.exe",
     "setup.exe",
     after::closes},
    {"install, no setup", 8001, {}, "{work}", "{install}", nullptr, nullptr, nullptr, after::cdrom_error},
    // Install DirectX: below the root of the current drive, not beside the menu.
    {"directx",
     8004,
     {"E:\\redist\\directx\\dxsetup.exe", "{cd}\\dxsetup.exe"},
     "E:\\Setup\\Disk 1",
     nullptr,
     nullptr,
     "E:\\redist\\directx\\dxsetup.exe",
     "E:\\redist\\directx\\dxsetup.exe",
     after::stays},
    {"directx from the root when installed",
     8004,
     {"E:\\redist\\directx\\dxsetup.exe"},
     "E:\\",
     "{install}",
     nullptr,
     "E:\\redist\\directx\\dxsetup.exe",
     "E:\\redist\\directx\\dxsetup.exe",
     after::stays},
    {"directx missing",
     8004,
     {"{cd}\\dxsetup.exe"},
     "E:\\Setup",
     nullptr,
     nullptr,
     nullptr,
     nullptr,
     after::cdrom_error},
    // Uninstall Game: the registered command as it is; any registered path keeps the menu.
    {"uninstall",
     8006,
     {"{install}\\uninstall.exe"},
     "{work}",
     "{install}",
     "\"{install}\\uninstall.exe\" -remove \"Korvamund\"",
     "{install}\\uninstall.exe",
     "\"{install}\\uninstall.exe\" -remove \"Korvamund\"",
     after::stays},
    {"uninstall, path blank",
     8006,
     {"{install}\\uninstall.exe"},
     "{work}",
     " ",
     "\"{install}\\uninstall.exe\"",
     "{install}\\uninstall.exe",
     "\"{install}\\uninstall.exe\"",
     after::stays},
    {"uninstall when not installed",
     8006,
     {"{install}\\uninstall.exe"},
     "{work}",
     nullptr,
     "\"{install}\\uninstall.exe\"",
     "{install}\\uninstall.exe",
     "\"{install}\\uninstall.exe\"",
     after::closes},
    {"uninstall string blank",
     8006,
     {"{cd}\\uninstall.exe"},
     "{work}",
     "{install}",
     " ",
     nullptr,
     nullptr,
     after::stays},
    {"uninstall string empty",
     8006,
     {"{cd}\\uninstall.exe"},
     "{work}",
     nullptr,
     "",
     nullptr,
     nullptr,
     after::closes},
    {"uninstall string missing",
     8006,
     {"{cd}\\uninstall.exe"},
     "{work}",
     "{install}",
     nullptr,
     nullptr,
     nullptr,
     after::stays},
    {"uninstall fails",
     8006,
     {},
     "{work}",
     nullptr,
     "\"{install}\\missing uninstall.exe\" /remove",
     nullptr,
     nullptr,
     after::install_error},
    {"exit", 8005, {}, "{work}", "{install}", nullptr, nullptr, nullptr, after::closes},
    {"close box", 0, {}, "{work}", nullptr, nullptr, nullptr, nullptr, after::closes},
};

TEST_F(menu_test, commands_start_their_program_and_close_the_menu_as_the_install_state_says) {
  ASSERT_NE(GetFileAttributesA("E:\\"), INVALID_FILE_ATTRIBUTES) << "drive E: is not mapped";
  int case_number = 0;
  for (const command_case& c : command_cases) {
    SCOPED_TRACE(c.label);
    remove_tree("E:\\Setup");
    remove_tree("E:\\redist");
    ASSERT_TRUE(make_dir("E:\\Setup\\Disk 1"));
    ASSERT_TRUE(make_folders("case " + std::to_string(++case_number)));
    auto full = [&](const char* text) { return expand(text, cd_dir, work_dir, install_dir); };
    for (const char* stand_in : c.stand_ins) {
      if (stand_in != nullptr) ASSERT_TRUE(install_stand_in(full(stand_in)));
    }
    ASSERT_TRUE(c.app_path == nullptr ? delete_app_path() : set_app_path(full(c.app_path)));
    ASSERT_TRUE(c.uninstall == nullptr ? delete_uninstall_string() : set_uninstall_string(full(c.uninstall)));
    DeleteFileA(log_path.c_str());
    menu_process& menu = start_from_cd(full(c.current_dir));
    ASSERT_NE(menu.window, nullptr);

    if (c.button == 0) {
      PostMessageA(menu.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
      click(menu, c.button);
    }
    if (c.started != nullptr) ASSERT_TRUE(wait_for_records(log_path, 1));
    if (c.outcome == after::closes) expect_closes(menu);
    if (c.outcome == after::cdrom_error) expect_error_box(menu, cdrom_error);
    if (c.outcome == after::install_error) expect_error_box(menu, installation_error);
    if (c.outcome != after::closes) expect_stays_open(menu);
    std::vector<recorder_record> records = read_recorder_log(log_path);
    if (c.started == nullptr) {
      EXPECT_TRUE(records.empty());
    } else {
      ASSERT_EQ(records.size(), 1u);
      EXPECT_EQ(normalized(records[0].module_path), normalized(full(c.started)));
      EXPECT_EQ(records[0].command_line, full(c.command_line));
      EXPECT_EQ(normalized(records[0].current_dir), normalized(full(c.current_dir)));
    }
    end_menu(&menu);
  }
  remove_tree("E:\\Setup");
  remove_tree("E:\\redist");
}

}  // namespace
