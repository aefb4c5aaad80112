// Change Video Driver, driven from outside: the detection program's command line, the
// Select Driver dialog's list, default and help text, and what reaches "korvexe.dat".
#include "harness.h"

namespace {

constexpr int change_driver_id = 8009, driver_list_id = 132, driver_help_id = 1014;
const char glide_help[] = "Use native driver option only if you are sure you have a supported card installed";
const char three_renderers[] = "NUM_DRIVERS 3\r\nRAMP PRESENT 0\r\nMMX PRESENT 0\r\nGLIDE MAYBEPRESENT 0\r\n";

class driver_select_test : public e2e_test {
 protected:
  // Installs the game in a folder with a blank in its name, with the detection stand-in.
  void SetUp() override {
    e2e_test::SetUp();
    game_dir = join_path(scratch_dir, "Games\\K");
    korvexe = join_path(game_dir, "korvexe.dat");
    ASSERT_TRUE(install_stand_in(join_path(game_dir, "mprofile.exe")) && set_app_path(game_dir));
    prepare_detection(three_renderers);
  }

  HWND open_dialog(menu_process& menu) {
    click(menu, change_driver_id);
    return wait_for_dialog(menu.info.dwProcessId, "Select Driver");
  }

  // Selects a list item as a player's click does: the selection, then its notification.
  void choose(HWND dialog, int index) {
    HWND list = GetDlgItem(dialog, driver_list_id);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(driver_list_id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
  }

  std::string help_text(HWND dialog) { return window_text(GetDlgItem(dialog, driver_help_id)); }

  std::string game_dir, korvexe;
};

TEST_F(driver_select_test, lists_best_first_selects_best_present_or_stored_and_ok_writes_the_choice) {
  menu_process& menu = start_from_cd(scratch_dir);
  HWND dialog = open_dialog(menu);
  ASSERT_TRUE(dialog);
  const std::vector<recorder_record> records = read_recorder_log(log_path);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].command_line, "\"" + game_dir + "\\mprofile.exe\" \"" + game_dir + "\\mdrivers.dat\"");
  EXPECT_EQ(lstrcmpiA(records[0].current_dir.c_str(), scratch_dir.c_str()), 0) << records[0].current_dir;
  RECT rect;
  GetWindowRect(dialog, &rect);
  EXPECT_EQ(std::vector<LONG>({rect.left, rect.top}),
            std::vector<LONG>({(GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left) - 1) / 2,
                               (GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top) - 1) / 2}));

  HWND list = GetDlgItem(dialog, driver_list_id);
  EXPECT_EQ(combo_items(list), (std::vector<std::string>{"Native 3Dfx", "Direct3D MMX", "Direct3D Ramp"}));
  EXPECT_EQ(combo_selection(list), 1);
  EXPECT_EQ(help_text(dialog), " ");
  choose(dialog, 0);
  EXPECT_TRUE(wait_until([&] { return help_text(dialog) == glide_help; }));
  EXPECT_EQ(file_text(korvexe), "<missing>");
  press_ok(dialog);
  EXPECT_TRUE(wait_closed(dialog));
  expect_stays_open(menu);
  EXPECT_EQ(file_text(korvexe), "GLIDE\r\nkorv3dfx.exe -ar3\r\n");  // 26 bytes

  // The stored choice is selected though only maybe present; OK needs a selection.
  dialog = open_dialog(menu);
  ASSERT_TRUE(dialog);
  list = GetDlgItem(dialog, driver_list_id);
  EXPECT_EQ(combo_selection(list), 0);
  EXPECT_EQ(help_text(dialog), glide_help);
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  press_ok(dialog);
  EXPECT_TRUE(wait_idle(dialog)) << "OK without a selection ended the dialog";
  choose(dialog, 2);
  EXPECT_TRUE(wait_until([&] { return help_text(dialog) == " "; }));
  press_ok(dialog);
  EXPECT_TRUE(wait_closed(dialog));
  expect_stays_open(menu);
  EXPECT_EQ(file_text(korvexe), "RAMP\r\nkorv.exe -arr\r\n");
}

// Every way out of the dialog other than OK, with and without a stored choice.
TEST_F(driver_select_test, cancel_escape_and_close_box_leave_korvexe_as_it_was) {
  // Not a file this menu would write: a change of even one byte shows.
  const std::string stored = "glide\r\nkorv3dfx.exe -ar3\r\nleft by hand";
  menu_process& menu = start_from_cd(scratch_dir);
  for (int way = 0; way < 4; ++way) {
    SCOPED_TRACE("way out " + std::to_string(way));
    ASSERT_TRUE(way % 2 ? write_file(korvexe, stored) : remove_tree(korvexe));
    HWND dialog = open_dialog(menu);
    ASSERT_TRUE(dialog);
    choose(dialog, 2);
    if (way == 0) press_cancel(dialog);
    if (way == 1) PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (way == 2) PostMessageA(dialog, WM_CLOSE, 0, 0);
    if (way == 3) PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001);  // the dialog manager's Cancel
    EXPECT_TRUE(wait_closed(dialog));
    expect_stays_open(menu);
    EXPECT_EQ(file_text(korvexe), way % 2 ? stored : "<missing>");
  }
}

TEST_F(driver_select_test, no_present_renderer_or_no_detection_program_offers_nothing) {
  prepare_detection("NUM_DRIVERS 2\r\nGLIDE MAYBEPRESENT 0\r\nMMX MAYBEPRESENT 0\r\n");
  ASSERT_TRUE(write_file(korvexe, "RAMP\r\nkorv.exe -arr\r\n"));
  menu_process& menu = start_from_cd(scratch_dir);
  click(menu, change_driver_id);
  ASSERT_TRUE(wait_for_records(log_path, 1));
  expect_stays_open(menu);

  // A missing detection program: an earlier detection's result must not be offered.
  ASSERT_TRUE(DeleteFileA(join_path(game_dir, "mprofile.exe").c_str()));
  ASSERT_TRUE(write_file(join_path(game_dir, "mdrivers.dat"), three_renderers));
  click(menu, change_driver_id);
  expect_error_box(menu, installation_error);
  expect_stays_open(menu);
  EXPECT_EQ(file_text(korvexe), "RAMP\r\nkorv.exe -arr\r\n");
  EXPECT_EQ(read_recorder_log(log_path).size(), 1u);
}

}  // namespace
