// Change Video Driver, driven from outside: the detection program's command line, the
// Select Driver dialog's list, default and help text, and what reaches "korvexe.dat".
#include "harness.h"

#include <string>
#include <vector>

namespace {

constexpr int change_driver_id = 8009;
constexpr int driver_list_id = 132;
constexpr int driver_help_id = 1014;

const char installation_error[] =
    "Failed to locate a required file in your installation. You may need to re-install Korvamund.";
const char glide_help[] =
    "Use native driver option only if you are sure you have a supported card installed";
const char three_renderers[] =
    "NUM_DRIVERS 3\r\nRAMP PRESENT 0\r\nMMX PRESENT 0\r\nGLIDE MAYBEPRESENT 0\r\n";

class driver_select_test : public e2e_test {
 protected:
  void SetUp() override {
    e2e_test::SetUp();
    // The scratch folder's name has a blank; the plain case needs a folder without one.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    plain_root = join_path(temp, "korv-drivers-" + std::to_string(GetCurrentProcessId()));
    remove_tree(plain_root);
    ASSERT_EQ(plain_root.find(' '), std::string::npos) << plain_root;
    game_dir = join_path(plain_root, "Games\\K");
    cd_dir = make_cd(scratch_dir, {});
    ASSERT_FALSE(cd_dir.empty());
  }

  void TearDown() override {
    e2e_test::TearDown();
    remove_tree(plain_root);
  }

  // Installs the game in dir with the detection stand-in, which leaves mdrivers as its
  // result; an empty korvexe leaves "korvexe.dat" out.
  void install_game(const std::string& dir, const std::string& mdrivers, const std::string& korvexe) {
    ASSERT_TRUE(make_dir(dir));
    ASSERT_TRUE(install_stand_in(join_path(dir, "mprofile.exe")));
    const std::string prepared = join_path(scratch_dir, "prepared.dat");
    ASSERT_TRUE(write_file(prepared, mdrivers));
    ASSERT_TRUE(SetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", prepared.c_str()));
    if (!korvexe.empty()) ASSERT_TRUE(write_file(join_path(dir, "korvexe.dat"), korvexe));
    ASSERT_TRUE(set_app_path(dir));
  }

  menu_process& open_menu() {
    menu_process& menu = start(join_path(cd_dir, "startup.exe"), scratch_dir);
    EXPECT_TRUE(menu.window);
    return menu;
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

  bool wait_closed(HWND dialog) { return wait_until([&] { return !IsWindow(dialog); }); }

  // After the dialog: the menu stays open and handles its queue.
  void expect_menu_stays(menu_process& menu) {
    EXPECT_TRUE(wait_menu_idle(menu));
    EXPECT_TRUE(menu_running(menu));
  }

  std::string korvexe_bytes(const std::string& dir) {
    std::string bytes;
    EXPECT_TRUE(read_file(join_path(dir, "korvexe.dat"), &bytes));
    return bytes;
  }

  std::string plain_root;
  std::string game_dir;
  std::string cd_dir;
};

TEST_F(driver_select_test, lists_best_first_selects_best_present_and_ok_writes_the_choice) {
  install_game(game_dir, three_renderers, "");
  menu_process& menu = open_menu();
  HWND dialog = open_dialog(menu);
  ASSERT_TRUE(dialog);

  std::vector<recorder_record> records = read_recorder_log(log_path);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, "mprofile.exe");
  EXPECT_EQ(records[0].command_line, game_dir + "\\mprofile.exe " + game_dir + "\\mdrivers.dat");

  HWND list = GetDlgItem(dialog, driver_list_id);
  EXPECT_EQ(combo_items(list),
            (std::vector<std::string>{"Native 3Dfx", "Direct3D MMX", "Direct3D Ramp"}));
  EXPECT_EQ(combo_selection(list), 1);
  EXPECT_EQ(help_text(dialog), " ");
  EXPECT_FALSE(file_exists(join_path(game_dir, "korvexe.dat")));

  choose(dialog, 0);
  EXPECT_TRUE(wait_until([&] { return help_text(dialog) == glide_help; }));
  press_ok(dialog);
  ASSERT_TRUE(wait_closed(dialog));
  expect_menu_stays(menu);
  const std::string bytes = korvexe_bytes(game_dir);
  EXPECT_EQ(bytes.size(), 26u);
  EXPECT_EQ(bytes, "GLIDE\r\nkorv3dfx.exe -ar3\r\n");
}

TEST_F(driver_select_test, stored_renderer_is_selected_even_when_only_maybe_present) {
  install_game(game_dir, three_renderers, "glide\r\nkorv3dfx.exe -ar3\r\n");
  menu_process& menu = open_menu();
  HWND dialog = open_dialog(menu);
  ASSERT_TRUE(dialog);
  EXPECT_EQ(combo_selection(GetDlgItem(dialog, driver_list_id)), 0);
  EXPECT_EQ(help_text(dialog), glide_help);

  choose(dialog, 2);
  EXPECT_TRUE(wait_until([&] { return help_text(dialog) == " "; }));
  press_ok(dialog);
  ASSERT_TRUE(wait_closed(dialog));
  expect_menu_stays(menu);
  EXPECT_EQ(korvexe_bytes(game_dir), "RAMP\r\nkorv.exe -arr\r\n");
}

TEST_F(driver_select_test, ok_without_a_current_selection_keeps_the_dialog_open) {
  install_game(game_dir, three_renderers, "");
  menu_process& menu = open_menu();
  HWND dialog = open_dialog(menu);
  ASSERT_TRUE(dialog);
  HWND list = GetDlgItem(dialog, driver_list_id);
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  ASSERT_EQ(combo_selection(list), -1);
  press_ok(dialog);
  Sleep(settle_ms);
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_FALSE(file_exists(join_path(game_dir, "korvexe.dat")));

  choose(dialog, 2);
  press_ok(dialog);
  ASSERT_TRUE(wait_closed(dialog));
  EXPECT_EQ(korvexe_bytes(game_dir), "RAMP\r\nkorv.exe -arr\r\n");
}

// Every way out of the dialog other than OK, with and without a stored choice.
TEST_F(driver_select_test, cancel_escape_and_close_box_leave_korvexe_as_it_was) {
  struct way_out {
    const char* name;
    void (*leave)(HWND dialog);
  };
  const way_out ways[] = {
      {"Cancel", [](HWND dialog) { press_cancel(dialog); }},
      {"close box", [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"WM_CLOSE", [](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); }},
      // The dialog manager turns Escape into Cancel.
      {"Escape", [](HWND dialog) { PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001); }},
  };
  // Not a file this menu would write: a change of even one byte shows.
  const std::string stored = "glide\r\nkorv3dfx.exe -ar3\r\nleft by hand";
  for (const way_out& way : ways) {
    for (bool with_file : {true, false}) {
      SCOPED_TRACE(std::string(way.name) + (with_file ? ", korvexe.dat present" : ", no korvexe.dat"));
      DeleteFileA(join_path(game_dir, "korvexe.dat").c_str());
      install_game(game_dir, three_renderers, with_file ? stored : "");
      menu_process& menu = open_menu();
      HWND dialog = open_dialog(menu);
      ASSERT_TRUE(dialog);
      choose(dialog, 2);
      way.leave(dialog);
      ASSERT_TRUE(wait_closed(dialog));
      expect_menu_stays(menu);
      if (with_file) {
        EXPECT_EQ(korvexe_bytes(game_dir), stored);
      } else {
        EXPECT_FALSE(file_exists(join_path(game_dir, "korvexe.dat")));
      }
      end_menu(&menu);
    }
  }
}

TEST_F(driver_select_test, missing_detection_program_reports_and_reads_no_old_result) {
  install_game(game_dir, three_renderers, "RAMP\r\nkorv.exe -arr\r\n");
  ASSERT_TRUE(DeleteFileA(join_path(game_dir, "mprofile.exe").c_str()));
  // An earlier detection's result: it must not be offered.
  ASSERT_TRUE(write_file(join_path(game_dir, "mdrivers.dat"), three_renderers));
  menu_process& menu = open_menu();
  click(menu, change_driver_id);
  HWND box = wait_for_dialog(menu.info.dwProcessId, "Korvamund");
  ASSERT_TRUE(box);
  EXPECT_EQ(message_box_text(box), installation_error);
  press_ok(box);
  ASSERT_TRUE(wait_closed(box));
  expect_menu_stays(menu);
  Sleep(settle_ms);
  EXPECT_EQ(find_dialog(menu.info.dwProcessId, "Select Driver"), nullptr);
  EXPECT_EQ(korvexe_bytes(game_dir), "RAMP\r\nkorv.exe -arr\r\n");
  EXPECT_TRUE(read_recorder_log(log_path).empty());
}

TEST_F(driver_select_test, only_maybe_present_renderers_offer_nothing) {
  install_game(game_dir, "NUM_DRIVERS 2\r\nGLIDE MAYBEPRESENT 0\r\nMMX MAYBEPRESENT 0\r\n",
               "RAMP\r\nkorv.exe -arr\r\n");
  menu_process& menu = open_menu();
  click(menu, change_driver_id);
  ASSERT_TRUE(wait_for_records(log_path, 1));
  expect_menu_stays(menu);
  Sleep(settle_ms);
  EXPECT_EQ(find_dialog(menu.info.dwProcessId, "Select Driver"), nullptr);
  EXPECT_EQ(korvexe_bytes(game_dir), "RAMP\r\nkorv.exe -arr\r\n");
}

TEST_F(driver_select_test, install_directory_with_blanks_is_quoted_never_the_decoy) {
  const std::string dir = join_path(plain_root, "Program Files\\K");
  // Where an unquoted line would be cut at its first blank.
  ASSERT_TRUE(install_stand_in(join_path(plain_root, "Program.exe")));
  install_game(dir, three_renderers, "");
  menu_process& menu = open_menu();
  HWND dialog = open_dialog(menu);
  // The dialog shows only when the detection program found its argument whole.
  ASSERT_TRUE(dialog);
  std::vector<recorder_record> records = read_recorder_log(log_path);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, "mprofile.exe");
  EXPECT_EQ(records[0].command_line,
            "\"" + dir + "\\mprofile.exe\" \"" + dir + "\\mdrivers.dat\"");
  EXPECT_STRCASEEQ(records[0].module_path.c_str(), (dir + "\\mprofile.exe").c_str());
  press_ok(dialog);
  ASSERT_TRUE(wait_closed(dialog));
  EXPECT_EQ(korvexe_bytes(dir), "MMX\r\nkorv.exe -arm\r\n");
}

}  // namespace
