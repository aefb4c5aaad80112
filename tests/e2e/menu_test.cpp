// The menu window as a player meets it: its window and buttons, which buttons are enabled
// in which install state, the single-instance refusals, and the setup commands with the
// programs they start and the outcomes that close the menu.
#include "harness.h"

#include <gtest/gtest.h>

#include <string>
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
    {8009, "Change Video Driver", 245, 30, true, false},
    {8002, "Play Korvamund", 275, 45, true, false},
    {8008, "Play Network Game", 320, 45, true, false},
    {8001, "Install Game", 365, 30, false, true},
    {8004, "Install DirectX", 395, 30, true, true},
    {8006, "Uninstall Game", 425, 30, true, false},
    {8010, "Graphics Troubleshooting", 455, 30, true, true},
    {8005, "Exit", 485, 30, true, true},
};

const char cdrom_error[] =
    "Failed to locate a required file on the CD-ROM. Please make sure the CD is in the correct drive.";
const char install_error[] =
    "Failed to locate a required file in your installation. You may need to re-install Korvamund.";

// Paths compare as Windows compares them: letter case and a trailing '\' do not matter.
std::string normalized(const std::string& path) {
  char full[MAX_PATH + 1] = {};
  DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  std::string text = length > 0 && length < sizeof full ? std::string(full, length) : path;
  char long_form[MAX_PATH + 1] = {};
  length = GetLongPathNameA(text.c_str(), long_form, sizeof long_form);
  if (length > 0 && length < sizeof long_form) text.assign(long_form, length);
  if (text.size() > 3 && text.back() == '\\') text.pop_back();
  CharLowerA(&text[0]);
  return text;
}

class menu_test : public e2e_test {
 protected:
  // A CD folder holding the menu (and the named stand-ins), and an empty folder with a
  // blank in its name to start it in.
  void make_folders(std::initializer_list<const char*> stand_ins) {
    cd_dir = make_cd(scratch_dir, stand_ins);
    ASSERT_FALSE(cd_dir.empty());
    work_dir = join_path(scratch_dir, "work dir");
    ASSERT_TRUE(make_dir(work_dir));
    install_dir = join_path(scratch_dir, "Korv Games");
    ASSERT_TRUE(make_dir(install_dir));
  }

  menu_process& start_from_cd(const std::string& current_dir) {
    menu_process& menu = start(join_path(cd_dir, "startup.exe"), current_dir);
    EXPECT_NE(menu.window, nullptr) << "the menu window did not appear";
    return menu;
  }

  // The menu has handled what was posted, shows no dialog and is still running a while later.
  void expect_stays_open(const menu_process& menu) {
    ASSERT_TRUE(wait_menu_idle(menu));
    EXPECT_FALSE(wait_for_exit(menu, settle_ms, nullptr)) << "the menu closed";
    EXPECT_TRUE(IsWindow(menu.window));
  }

  void expect_closes(const menu_process& menu) {
    DWORD exit_code = 1;
    ASSERT_TRUE(wait_for_exit(menu, default_timeout_ms, &exit_code)) << "the menu stayed open";
    EXPECT_EQ(exit_code, 0u);
    // Wine lists a window until a moment after its process has ended.
    EXPECT_TRUE(wait_until([] { return menu_windows().empty(); }, 3000));
  }

  void expect_no_dialog(const menu_process& menu) {
    EXPECT_EQ(find_dialog(menu.info.dwProcessId, nullptr), nullptr) << "a dialog or message box appeared";
  }

  // Waits for the error box, checks it and presses OK.
  void expect_error_box(const menu_process& menu, const char* text) {
    HWND box = wait_for_dialog(menu.info.dwProcessId, "Korvamund");
    ASSERT_NE(box, nullptr) << "no error box";
    // The box is found by its caption before it has necessarily set its text and icon.
    wait_until([&] { return message_box_text(box) == text && message_box_icon(box) != nullptr; }, 3000);
    EXPECT_EQ(message_box_text(box), text);
    EXPECT_EQ(GetWindow(box, GW_OWNER), menu.window) << "the box is not owned by the menu";
    EXPECT_NE(message_box_icon(box), nullptr) << "the box shows no icon";
    press_ok(box);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(box); }));
  }

  std::vector<bool> enable_states(const menu_process& menu) {
    std::vector<bool> states;
    for (const button_row& row : buttons) states.push_back(IsWindowEnabled(menu_button(menu, row.id)) != 0);
    return states;
  }

  std::vector<bool> expected_states(bool installed) {
    std::vector<bool> states;
    for (const button_row& row : buttons) {
      states.push_back(installed ? row.enabled_when_installed : row.enabled_when_not_installed);
    }
    return states;
  }

  std::string cd_dir;
  std::string work_dir;
  std::string install_dir;
};

// ---- window and buttons ----------------------------------------------------------------

TEST_F(menu_test, window_is_fixed_size_and_centred_on_the_screen) {
  make_folders({});
  menu_process& menu = start_from_cd(work_dir);
  ASSERT_NE(menu.window, nullptr);

  char class_name[256] = {};
  GetClassNameA(menu.window, class_name, sizeof class_name);
  EXPECT_STREQ(class_name, "Korvamund Startup");
  EXPECT_EQ(window_text(menu.window), "Korvamund Startup");

  LONG style = GetWindowLongA(menu.window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_CHILD), 0);

  RECT outer;
  ASSERT_TRUE(GetWindowRect(menu.window, &outer));
  EXPECT_EQ(outer.right - outer.left, 325);
  EXPECT_EQ(outer.bottom - outer.top, 545);
  int screen_width = GetSystemMetrics(SM_CXSCREEN);
  int screen_height = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(outer.left, (screen_width - 325 - 1) / 2);
  EXPECT_EQ(outer.top, (screen_height - 545 - 1) / 2);
}

TEST_F(menu_test, eight_buttons_in_a_column_below_the_picture) {
  make_folders({});
  menu_process& menu = start_from_cd(work_dir);
  ASSERT_NE(menu.window, nullptr);

  int previous_bottom = 240;  // the picture's height
  for (const button_row& row : buttons) {
    SCOPED_TRACE(row.label);
    HWND button = menu_button(menu, row.id);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(GetParent(button), menu.window);
    char class_name[64] = {};
    GetClassNameA(button, class_name, sizeof class_name);
    EXPECT_STREQ(class_name, "Button");
    EXPECT_EQ(window_text(button), row.label);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(button, GWL_STYLE)) & ~static_cast<DWORD>(WS_DISABLED),
              0x50014000u);
    EXPECT_EQ(GetWindowLongA(button, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY, 0);

    RECT rect;
    ASSERT_TRUE(GetWindowRect(button, &rect));
    MapWindowPoints(nullptr, menu.window, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 5);
    EXPECT_EQ(rect.right - rect.left, 310);
    EXPECT_EQ(rect.top, row.y);
    EXPECT_EQ(rect.bottom - rect.top, row.height);
    EXPECT_GE(rect.top, previous_bottom);
    previous_bottom = rect.bottom;
  }
  // Creation order is the order of the table: each button follows the one above it.
  HWND child = GetWindow(menu.window, GW_CHILD);
  for (const button_row& row : buttons) {
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetDlgCtrlID(child), row.id);
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr);
}

TEST_F(menu_test, the_picture_fills_the_top_of_the_client_area_above_the_background) {
  make_folders({});
  menu_process& menu = start_from_cd(work_dir);
  ASSERT_NE(menu.window, nullptr);
  ASSERT_TRUE(wait_menu_idle(menu));

  RECT client;
  ASSERT_TRUE(GetClientRect(menu.window, &client));
  POINT origin{0, 0};
  ClientToScreen(menu.window, &origin);
  HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  // The picture is artwork, not a flat fill: a grid of samples shows several colours.
  std::vector<COLORREF> seen;
  for (int y = 10; y < 240; y += 23) {
    for (int x = 10; x < client.right && x < 320; x += 29) {
      COLORREF colour = GetPixel(screen, origin.x + x, origin.y + y);
      bool known = false;
      for (COLORREF c : seen) known = known || c == colour;
      if (!known) seen.push_back(colour);
    }
  }
  // Between the picture and the first button the class background shows.
  COLORREF background = GetSysColor(COLOR_INACTIVEBORDER);
  COLORREF gap_left = GetPixel(screen, origin.x + 2, origin.y + 242);
  COLORREF gap_middle = GetPixel(screen, origin.x + 150, origin.y + 243);
  ReleaseDC(nullptr, screen);
  EXPECT_GE(seen.size(), 4u);
  EXPECT_EQ(gap_left, background);
  EXPECT_EQ(gap_middle, background);
}

// ---- enable rules ----------------------------------------------------------------------

TEST_F(menu_test, without_a_registered_install_only_setup_buttons_are_enabled) {
  make_folders({});
  menu_process& menu = start_from_cd(work_dir);
  ASSERT_NE(menu.window, nullptr);
  EXPECT_EQ(enable_states(menu), expected_states(false));
}

TEST_F(menu_test, any_registered_path_counts_as_installed) {
  make_folders({});
  // The commands reject " " and "", but the buttons follow the installed column for them.
  for (const char* path : {"C:\\Games\\Korvamund", " ", ""}) {
    SCOPED_TRACE(std::string("Path \"") + path + "\"");
    ASSERT_TRUE(set_app_path(path));
    menu_process& menu = start_from_cd(work_dir);
    ASSERT_NE(menu.window, nullptr);
    EXPECT_EQ(enable_states(menu), expected_states(true));
    end_menu(&menu);
  }
}

TEST_F(menu_test, the_install_state_is_read_again_at_each_refresh) {
  make_folders({});
  ASSERT_TRUE(set_app_path(install_dir));
  menu_process& menu = start_from_cd(work_dir);
  ASSERT_NE(menu.window, nullptr);
  ASSERT_EQ(enable_states(menu), expected_states(true));

  // A focus notification re-applies the rules (no repaint is asked for here).
  ASSERT_TRUE(delete_app_path());
  post_notification(menu, 8005, BN_SETFOCUS);
  EXPECT_TRUE(wait_until([&] { return enable_states(menu) == expected_states(false); }, 3000));

  // So does a command id that no button carries.
  ASSERT_TRUE(set_app_path(install_dir));
  click(menu, 8003);
  EXPECT_TRUE(wait_until([&] { return enable_states(menu) == expected_states(true); }, 3000));
  ASSERT_TRUE(delete_app_path());
  click(menu, 8007);
  EXPECT_TRUE(wait_until([&] { return enable_states(menu) == expected_states(false); }, 3000));
  expect_stays_open(menu);
}

// ---- single instance -------------------------------------------------------------------

LRESULT CALLBACK plain_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(window, message, wparam, lparam);
}

// A top-level window of this test process standing in for the game's or a menu's window.
struct foreign_window {
  HWND window;
  const char* class_name;
};

foreign_window make_foreign_window(const char* class_name, const char* title) {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = plain_window_proc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = class_name;
  RegisterClassA(&window_class);
  HWND window = CreateWindowExA(0, class_name, title, WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  return foreign_window{window, class_name};
}

void destroy_foreign_window(const foreign_window& foreign) {
  DestroyWindow(foreign.window);
  UnregisterClassA(foreign.class_name, GetModuleHandleA(nullptr));
}

TEST_F(menu_test, a_running_game_stops_the_start_at_once) {
  make_folders({});
  foreign_window game = make_foreign_window("Korvamund", "Korvamund");
  ASSERT_NE(game.window, nullptr);
  menu_process& menu = start(join_path(cd_dir, "startup.exe"), work_dir);
  ASSERT_NE(menu.info.hProcess, nullptr);
  EXPECT_EQ(menu.window, nullptr);
  DWORD exit_code = 1;
  EXPECT_TRUE(wait_for_exit(menu, default_timeout_ms, &exit_code));
  EXPECT_EQ(exit_code, 0u);
  EXPECT_TRUE(menu_windows().empty());
  destroy_foreign_window(game);
}

TEST_F(menu_test, windows_matching_only_class_or_only_title_do_not_stop_the_start) {
  make_folders({});
  const char* const pairs[][2] = {
      {"Korvamund", "Korvamund Launcher"},
      {"KorvamundOther", "Korvamund"},
      {"Korvamund Startup", "Korvamund Startup (old)"},
  };
  for (const auto& pair : pairs) {
    SCOPED_TRACE(std::string(pair[0]) + " / " + pair[1]);
    foreign_window other = make_foreign_window(pair[0], pair[1]);
    ASSERT_NE(other.window, nullptr);
    menu_process& menu = start_from_cd(work_dir);
    EXPECT_NE(menu.window, nullptr);
    EXPECT_TRUE(menu_running(menu));
    end_menu(&menu);
    destroy_foreign_window(other);
  }
}

TEST_F(menu_test, a_second_menu_ends_at_once_and_leaves_the_first) {
  make_folders({});
  menu_process& first = start_from_cd(work_dir);
  ASSERT_NE(first.window, nullptr);

  menu_process& second = start(join_path(cd_dir, "startup.exe"), work_dir);
  EXPECT_EQ(second.window, nullptr);
  DWORD exit_code = 1;
  EXPECT_TRUE(wait_for_exit(second, default_timeout_ms, &exit_code));
  EXPECT_EQ(exit_code, 0u);
  EXPECT_EQ(menu_windows().size(), 1u);
  EXPECT_TRUE(menu_running(first));
  EXPECT_TRUE(IsWindow(first.window));
}

// ---- Install Game ----------------------------------------------------------------------

TEST_F(menu_test, install_game_starts_setup_from_the_menus_folder_and_stays_when_not_installed) {
  make_folders({"setup.exe"});
  // A setup.exe in the current directory too: the one beside the menu wins.
  ASSERT_TRUE(install_stand_in(join_path(work_dir, "setup.exe")));
  menu_process& menu = start_from_cd(work_dir);
  ASSERT_NE(menu.window, nullptr);

  click(menu, 8001);
  ASSERT_TRUE(wait_for_records(log_path, 1));
  std::vector<recorder_record> records = read_recorder_log(log_path);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, "setup.exe");
  EXPECT_EQ(records[0].command_line, "setup.exe");
  EXPECT_EQ(normalized(records[0].module_path), normalized(join_path(cd_dir, "setup.exe")));
  EXPECT_EQ(normalized(records[0].current_dir), normalized(work_dir));
  expect_stays_open(menu);
  expect_no_dialog(menu);
  EXPECT_EQ(read_recorder_log(log_path).size(), 1u);
}

TEST_F(menu_test, install_game_finds_setup_in_the_current_directory) {
  make_folders({});
  ASSERT_TRUE(install_stand_in(join_path(work_dir, "setup.exe")));
  menu_process& menu = start_from_cd(work_dir);
  ASSERT_NE(menu.window, nullptr);

  click(menu, 8001);
  ASSERT_TRUE(wait_for_records(log_path, 1));
  std::vector<recorder_record> records = read_recorder_log(log_path);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(normalized(records[0].module_path), normalized(join_path(work_dir, "setup.exe")));
  expect_stays_open(menu);
}

TEST_F(menu_test, install_game_stays_when_the_registered_path_is_not_usable) {
  make_folders({"setup.exe"});
  for (const char* path : {" ", ""}) {
    SCOPED_TRACE(std::string("Path \"") + path + "\"");
    ASSERT_TRUE(set_app_path(path));
    menu_process& menu = start_from_cd(work_dir);
    ASSERT_NE(menu.window, nullptr);
    size_t before = read_recorder_log(log_path).size();
    click(menu, 8001);
    ASSERT_TRUE(wait_for_records(log_path, before + 1));
    expect_stays_open(menu);
    end_menu(&menu);
  }
}

TEST_F(menu_test, install_game_closes_the_menu_when_the_game_is_installed) {
  make_folders({"setup.exe"});
  ASSERT_TRUE(set_app_path(install_dir));
  menu_process& menu = start_from_cd(work_dir);
  ASSERT_NE(menu.window, nullptr);

  click(menu, 8001);
  expect_closes(menu);
  std::vector<recorder_record> records = read_recorder_log(log_path);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, "setup.exe");
}

TEST_F(menu_test, install_game_without_setup_shows_the_cdrom_error_and_stays) {
  make_folders({});
  // Even an installed game does not close the menu when setup could not start.
  ASSERT_TRUE(set_app_path(install_dir));
  menu_process& menu = start_from_cd(work_dir);
  ASSERT_NE(menu.window, nullptr);

  click(menu, 8001);
  expect_error_box(menu, cdrom_error);
  expect_stays_open(menu);
  EXPECT_TRUE(read_recorder_log(log_path).empty());
}

// ---- Install DirectX -------------------------------------------------------------------

// The second drive that the Wine session maps (E: -> <session>/drive-e).
class directx_test : public menu_test {
 protected:
  void SetUp() override {
    menu_test::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_NE(GetFileAttributesA("E:\\"), INVALID_FILE_ATTRIBUTES) << "drive E: is not mapped";
    remove_tree("E:\\Setup");
    remove_tree("E:\\redist");
  }
  void TearDown() override {
    menu_test::TearDown();
    remove_tree("E:\\Setup");
    remove_tree("E:\\redist");
  }
};

TEST_F(directx_test, starts_dxsetup_below_the_root_of_the_current_drive) {
  make_folders({"dxsetup.exe", "setup.exe"});
  ASSERT_TRUE(install_stand_in("E:\\redist\\directx\\dxsetup.exe"));
  ASSERT_TRUE(make_dir("E:\\Setup\\Disk 1"));
  size_t expected_records = 0;
  for (const char* current_dir : {"E:\\Setup", "E:\\Setup\\Disk 1", "E:\\"}) {
    SCOPED_TRACE(current_dir);
    menu_process& menu = start_from_cd(current_dir);
    ASSERT_NE(menu.window, nullptr);
    click(menu, 8004);
    ASSERT_TRUE(wait_for_records(log_path, ++expected_records));
    recorder_record record = read_recorder_log(log_path).back();
    EXPECT_EQ(record.name, "dxsetup.exe");
    EXPECT_EQ(record.command_line, "E:\\redist\\directx\\dxsetup.exe");
    EXPECT_EQ(normalized(record.current_dir), normalized(current_dir));
    expect_stays_open(menu);
    expect_no_dialog(menu);
    end_menu(&menu);
  }
  EXPECT_EQ(read_recorder_log(log_path).size(), expected_records);
}

TEST_F(directx_test, stays_open_when_the_game_is_installed) {
  make_folders({});
  ASSERT_TRUE(install_stand_in("E:\\redist\\directx\\dxsetup.exe"));
  ASSERT_TRUE(make_dir("E:\\Setup"));
  ASSERT_TRUE(set_app_path(install_dir));
  menu_process& menu = start_from_cd("E:\\Setup");
  ASSERT_NE(menu.window, nullptr);
  click(menu, 8004);
  ASSERT_TRUE(wait_for_records(log_path, 1));
  expect_stays_open(menu);
}

TEST_F(directx_test, a_missing_dxsetup_shows_the_cdrom_error_and_stays) {
  // dxsetup.exe beside the menu is not the one below the drive's root.
  make_folders({"dxsetup.exe"});
  ASSERT_TRUE(make_dir("E:\\Setup"));
  menu_process& menu = start_from_cd("E:\\Setup");
  ASSERT_NE(menu.window, nullptr);
  click(menu, 8004);
  expect_error_box(menu, cdrom_error);
  expect_stays_open(menu);
  EXPECT_TRUE(read_recorder_log(log_path).empty());
}

// ---- Uninstall Game --------------------------------------------------------------------

TEST_F(menu_test, uninstall_starts_the_registered_command_and_stays_while_installed) {
  make_folders({});
  std::string uninstaller = join_path(install_dir, "uninstall.exe");
  ASSERT_TRUE(install_stand_in(uninstaller));
  std::string command = "\"" + uninstaller + "\" -remove \"Korvamund\"";
  ASSERT_TRUE(set_uninstall_string(command));
  // Any registered path keeps the menu open here, even one the other commands reject.
  size_t expected_records = 0;
  for (const std::string& path : {install_dir, std::string(" ")}) {
    SCOPED_TRACE("Path \"" + path + "\"");
    ASSERT_TRUE(set_app_path(path));
    menu_process& menu = start_from_cd(work_dir);
    ASSERT_NE(menu.window, nullptr);

    click(menu, 8006);
    ASSERT_TRUE(wait_for_records(log_path, ++expected_records));
    recorder_record record = read_recorder_log(log_path).back();
    EXPECT_EQ(record.name, "uninstall.exe");
    EXPECT_EQ(record.command_line, command);
    EXPECT_EQ(normalized(record.current_dir), normalized(work_dir));
    expect_stays_open(menu);
    expect_no_dialog(menu);
    end_menu(&menu);
  }
}

TEST_F(menu_test, uninstall_closes_the_menu_once_no_install_is_registered) {
  make_folders({});
  std::string uninstaller = join_path(install_dir, "uninstall.exe");
  ASSERT_TRUE(install_stand_in(uninstaller));
  ASSERT_TRUE(set_uninstall_string("\"" + uninstaller + "\""));
  ASSERT_TRUE(set_app_path(install_dir));
  menu_process& menu = start_from_cd(work_dir);
  ASSERT_NE(menu.window, nullptr);

  // As a real uninstaller would have done by the time it ends.
  ASSERT_TRUE(delete_app_path());
  click(menu, 8006);
  expect_closes(menu);
  EXPECT_EQ(read_recorder_log(log_path).size(), 1u);
}

TEST_F(menu_test, uninstall_without_a_usable_command_starts_nothing_and_shows_nothing) {
  make_folders({"uninstall.exe"});
  struct variant {
    const char* label;
    bool has_value;
    const char* value;
  };
  const variant variants[] = {{"blank", true, " "}, {"empty", true, ""}, {"missing", false, ""}};
  for (const variant& v : variants) {
    SCOPED_TRACE(v.label);
    if (v.has_value) {
      ASSERT_TRUE(set_uninstall_string(v.value));
    } else {
      ASSERT_TRUE(delete_uninstall_string());
    }
    // Installed: the menu stays.
    ASSERT_TRUE(set_app_path(install_dir));
    menu_process& installed = start_from_cd(work_dir);
    ASSERT_NE(installed.window, nullptr);
    click(installed, 8006);
    expect_stays_open(installed);
    expect_no_dialog(installed);
    end_menu(&installed);

    // Not installed: the menu closes, still without starting anything.
    ASSERT_TRUE(delete_app_path());
    menu_process& gone = start_from_cd(work_dir);
    ASSERT_NE(gone.window, nullptr);
    click(gone, 8006);
    expect_closes(gone);
    EXPECT_TRUE(read_recorder_log(log_path).empty());
  }
}

TEST_F(menu_test, a_failing_uninstall_shows_the_installation_error_and_stays) {
  make_folders({});
  ASSERT_TRUE(set_uninstall_string("\"" + join_path(install_dir, "missing uninstall.exe") + "\" /remove"));
  // Nothing registered under App Paths: a started uninstall would close the menu.
  menu_process& menu = start_from_cd(work_dir);
  ASSERT_NE(menu.window, nullptr);

  click(menu, 8006);
  expect_error_box(menu, install_error);
  expect_stays_open(menu);
  EXPECT_TRUE(read_recorder_log(log_path).empty());
}

// ---- Exit and notifications ------------------------------------------------------------

TEST_F(menu_test, exit_closes_the_menu_with_exit_code_0) {
  make_folders({});
  ASSERT_TRUE(set_app_path(install_dir));
  menu_process& menu = start_from_cd(work_dir);
  ASSERT_NE(menu.window, nullptr);
  click(menu, 8005);
  expect_closes(menu);
  EXPECT_TRUE(read_recorder_log(log_path).empty());
}

TEST_F(menu_test, the_close_box_ends_the_menu_with_exit_code_0) {
  make_folders({});
  menu_process& menu = start_from_cd(work_dir);
  ASSERT_NE(menu.window, nullptr);
  PostMessageA(menu.window, WM_SYSCOMMAND, SC_CLOSE, 0);
  expect_closes(menu);
}

TEST_F(menu_test, focus_and_double_click_notifications_start_nothing) {
  // Everything each command could start is in place, and the game is installed.
  make_folders({"setup.exe", "mprofile.exe", "korv.exe", "netlaunc.exe"});
  for (const char* name : {"korv.exe", "korvsw.exe", "mprofile.exe", "netlaunc.exe"}) {
    ASSERT_TRUE(install_stand_in(join_path(install_dir, name)));
  }
  std::string uninstaller = join_path(install_dir, "uninstall.exe");
  ASSERT_TRUE(install_stand_in(uninstaller));
  ASSERT_TRUE(set_uninstall_string("\"" + uninstaller + "\""));
  ASSERT_TRUE(set_app_path(install_dir));
  menu_process& menu = start_from_cd(work_dir);
  ASSERT_NE(menu.window, nullptr);

  for (int notification : {BN_SETFOCUS, BN_KILLFOCUS, BN_DOUBLECLICKED}) {
    for (const button_row& row : buttons) post_notification(menu, row.id, notification);
  }
  expect_stays_open(menu);
  expect_no_dialog(menu);
  EXPECT_TRUE(read_recorder_log(log_path).empty());
  EXPECT_EQ(enable_states(menu), expected_states(true));
}

}  // namespace
