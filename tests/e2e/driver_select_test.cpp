// Change Video Driver, driven from outside: the detection program's command line, the
// Select Driver dialog's list, default and help text, and what reaches "korvexe.dat".
#include "harness.h"

#include <string>
#include <vector>

namespace {

constexpr int change_driver_id = 8009;
constexpr int driver_list_id = 132;
constexpr int driver_help_id = 1014;

const char glide_help[] = "Use native driver option only if you are sure you have a supported card installed";
const char three_renderers[] = "NUM_DRIVERS 3\r\nRAMP PRESENT 0\r\nMMX PRESENT 0\r\nGLIDE MAYBEPRESENT 0\r\n";
const char ramp[] = "RAMP\r\nkorv.exe -arr\r\n";

class driver_select_test : public e2e_test {
 protected:
  // Installs the game (in a folder with a blank in its name) with the detection stand-in,
  // which leaves mdrivers as its result; an empty korvexe leaves "korvexe.dat" out.
  void install_game(const std::string& mdrivers, const std::string& korvexe) {
    game_dir = join_path(scratch_dir, "Games\\K");
    korvexe_path = join_path(game_dir, "korvexe.dat");
    ASSERT_TRUE(make_dir(game_dir));
    ASSERT_TRUE(install_stand_in(join_path(game_dir, "mprofile.exe")));
    const std::string prepared = join_path(scratch_dir, "prepared.dat");
    ASSERT_TRUE(write_file(prepared, mdrivers));
    ASSERT_TRUE(SetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", prepared.c_str()));
    if (!korvexe.empty()) ASSERT_TRUE(write_file(korvexe_path, korvexe));
    ASSERT_TRUE(set_app_path(game_dir));
  }

  // The dialog once it has started: it is shown only after WM_INITDIALOG has filled it.
  HWND open_dialog(menu_process& menu) {
    click(menu, change_driver_id);
    HWND dialog = wait_for_dialog(menu.info.dwProcessId, "Select Driver");
    if (dialog != nullptr && !wait_until([&] { return IsWindowVisible(dialog) != FALSE; })) return nullptr;
    return dialog;
  }

  // Selects a list item as a player's click does: the selection, then its notification.
  void choose(HWND dialog, int index) {
    HWND list = GetDlgItem(dialog, driver_list_id);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(driver_list_id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
  }

  std::string help_text(HWND dialog) { return window_text(GetDlgItem(dialog, driver_help_id)); }

  // The dialog or box closes and the menu stays open and handles its queue.
  void expect_closed(menu_process& menu, HWND dialog) {
    EXPECT_TRUE(wait_closed(dialog));
    EXPECT_TRUE(wait_menu_idle(menu));
    EXPECT_TRUE(menu_running(menu));
  }

  std::string korvexe_bytes() {
    std::string bytes;
    EXPECT_TRUE(read_file(korvexe_path, &bytes));
    return bytes;
  }

  std::string game_dir;
  std::string korvexe_path;
};

TEST_F(driver_select_test, lists_best_first_selects_best_present_or_stored_and_ok_writes_the_choice) {
  install_game(three_renderers, "");
  menu_process& menu = start_from_cd(scratch_dir);
  HWND dialog = open_dialog(menu);
  ASSERT_TRUE(dialog);

  // The folder's name has a blank: program and argument are quoted.
  std::vector<recorder_record> records = read_recorder_log(log_path);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].command_line, "\"" + game_dir + "\\mprofile.exe\" \"" + game_dir + "\\mdrivers.dat\"");
  EXPECT_STRCASEEQ(records[0].module_path.c_str(), (game_dir + "\\mprofile.exe").c_str());

  HWND list = GetDlgItem(dialog, driver_list_id);
  EXPECT_EQ(combo_items(list), (std::vector<std::string>{"Native 3Dfx", "Direct3D MMX", "Direct3D Ramp"}));
  EXPECT_EQ(combo_selection(list), 1);
  EXPECT_EQ(help_text(dialog), " ");
  EXPECT_FALSE(file_exists(korvexe_path));
  choose(dialog, 0);
  EXPECT_TRUE(wait_until([&] { return help_text(dialog) == glide_help; }));
  press_ok(dialog);
  expect_closed(menu, dialog);
  EXPECT_EQ(korvexe_bytes(), "GLIDE\r\nkorv3dfx.exe -ar3\r\n");  // 26 bytes

  // The stored choice is selected though only maybe present; OK needs a selection.
  dialog = open_dialog(menu);
  ASSERT_TRUE(dialog);
  list = GetDlgItem(dialog, driver_list_id);
  EXPECT_EQ(combo_selection(list), 0);
  EXPECT_EQ(help_text(dialog), glide_help);
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  ASSERT_EQ(combo_selection(list), -1);
  press_ok(dialog);
  Sleep(settle_ms);
  EXPECT_TRUE(IsWindowVisible(dialog)) << "OK without a selection ended the dialog";
  EXPECT_EQ(korvexe_bytes(), "GLIDE\r\nkorv3dfx.exe -ar3\r\n");
  choose(dialog, 2);
  EXPECT_TRUE(wait_until([&] { return help_text(dialog) == " "; }));
  press_ok(dialog);
  expect_closed(menu, dialog);
  EXPECT_EQ(korvexe_bytes(), ramp);
}

// Every way out of the dialog other than OK, with and without a stored choice.
TEST_F(driver_select_test, cancel_escape_and_close_box_leave_korvexe_as_it_was) {
  struct way_out {
    const char* name;
    bool with_file;
    void (*leave)(HWND dialog);
  };
  const way_out ways[] = {
      {"Cancel", true, [](HWND dialog) { press_cancel(dialog); }},
      {"close box", false, [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"WM_CLOSE", true, [](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); }},
      // The dialog manager turns Escape into Cancel.
      {"Escape", false, [](HWND dialog) { PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001); }},
  };
  // Not a file this menu would write: a change of even one byte shows.
  const std::string stored = "glide\r\nkorv3dfx.exe -ar3\r\nleft by hand";
  install_game(three_renderers, "");
  menu_process& menu = start_from_cd(scratch_dir);
  for (const way_out& way : ways) {
    SCOPED_TRACE(way.name);
    if (way.with_file) {
      ASSERT_TRUE(write_file(korvexe_path, stored));
    } else {
      DeleteFileA(korvexe_path.c_str());
    }
    HWND dialog = open_dialog(menu);
    ASSERT_TRUE(dialog);
    choose(dialog, 2);
    way.leave(dialog);
    expect_closed(menu, dialog);
    if (way.with_file) {
      EXPECT_EQ(korvexe_bytes(), stored);
    } else {
      EXPECT_FALSE(file_exists(korvexe_path));
    }
  }
}

TEST_F(driver_select_test, no_present_renderer_or_no_detection_program_offers_nothing) {
  install_game("NUM_DRIVERS 2\r\nGLIDE MAYBEPRESENT 0\r\nMMX MAYBEPRESENT 0\r\n", ramp);
  menu_process& menu = start_from_cd(scratch_dir);
  click(menu, change_driver_id);
  ASSERT_TRUE(wait_for_records(log_path, 1));
  EXPECT_TRUE(wait_menu_idle(menu));
  Sleep(settle_ms);
  EXPECT_EQ(find_dialog(menu.info.dwProcessId, "Select Driver"), nullptr);

  // A missing detection program: an earlier detection's result must not be offered.
  ASSERT_TRUE(DeleteFileA(join_path(game_dir, "mprofile.exe").c_str()));
  ASSERT_TRUE(write_file(join_path(game_dir, "mdrivers.dat"), three_renderers));
  click(menu, change_driver_id);
  expect_error_box(menu, installation_error);
  EXPECT_TRUE(wait_menu_idle(menu));
  Sleep(settle_ms);
  EXPECT_EQ(find_dialog(menu.info.dwProcessId, "Select Driver"), nullptr);
  EXPECT_EQ(korvexe_bytes(), ramp);
  EXPECT_EQ(read_recorder_log(log_path).size(), 1u);
}

}  // namespace
