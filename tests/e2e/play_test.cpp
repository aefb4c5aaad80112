// Play, Play Network Game and the Graphics Troubleshooting dialog, driven from outside:
// which program starts, with which command line and in which folder, whether the menu
// ends, and what reaches "frontend.dat".
#include "harness.h"

#include <string>
#include <vector>

namespace {

constexpr int play_id = 8002;
constexpr int network_play_id = 8008;
constexpr int troubleshoot_id = 8010;
constexpr int install_game_id = 8001;
constexpr int nofog_box_id = 1021;

const char glide[] = "GLIDE\r\nkorv3dfx.exe -ar3\r\n";

class play_test : public e2e_test {
 protected:
  void SetUp() override {
    e2e_test::SetUp();
    // The scratch folder's name has a blank; the plain cases need a folder without one.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    plain_root = join_path(temp, "korv-play-" + std::to_string(GetCurrentProcessId()));
    remove_tree(plain_root);
    ASSERT_EQ(plain_root.find(' '), std::string::npos) << plain_root;
    game_dir = join_path(plain_root, "Games\\K");
    fog_file = join_path(game_dir, "frontend.dat");
    start_dir = join_path(scratch_dir, "start");
    ASSERT_TRUE(make_dir(game_dir) && make_dir(start_dir));
  }

  void TearDown() override {
    e2e_test::TearDown();
    remove_tree(plain_root);
  }

  // The detection stand-in leaves mdrivers as its result; the menu passes the setting on.
  void prepare_detection(const std::string& mdrivers) {
    const std::string prepared = join_path(scratch_dir, "prepared.dat");
    ASSERT_TRUE(write_file(prepared, mdrivers));
    ASSERT_TRUE(SetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", prepared.c_str()));
  }

  // Clicks a play button; the menu must end with exit code 0. Returns what started.
  std::vector<recorder_record> launch(menu_process& menu, int command, size_t records) {
    click(menu, command);
    EXPECT_TRUE(wait_for_records(log_path, records));
    DWORD exit_code = 1;
    EXPECT_TRUE(wait_for_exit(menu, default_timeout_ms, &exit_code));
    EXPECT_EQ(exit_code, 0u);
    return read_recorder_log(log_path);
  }

  // Clicks and checks that the menu stays open; returns how many starts were recorded.
  size_t click_and_stay(menu_process& menu, int command) {
    click(menu, command);
    EXPECT_TRUE(wait_menu_idle(menu));
    EXPECT_FALSE(wait_for_exit(menu, settle_ms, nullptr)) << "the menu closed";
    return read_recorder_log(log_path).size();
  }

  HWND open_fog_dialog(menu_process& menu) {
    click(menu, troubleshoot_id);
    HWND dialog = wait_for_dialog(menu.info.dwProcessId, "Graphics Troubleshooting");
    EXPECT_TRUE(dialog && GetDlgItem(dialog, nofog_box_id));
    return dialog;
  }

  // Clicks the box as a player does when it is not in the wanted state.
  void set_fog_box(HWND dialog, int wanted_state) {
    HWND box = GetDlgItem(dialog, nofog_box_id);
    if (check_state(box) != wanted_state) PostMessageA(box, BM_CLICK, 0, 0);
    EXPECT_TRUE(wait_until([&] { return check_state(box) == wanted_state; }));
  }

  void press_ok_and_wait(HWND dialog) {
    press_ok(dialog);
    EXPECT_TRUE(wait_closed(dialog));
  }

  std::string file_text(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(read_file(path, &bytes)) << path;
    return bytes;
  }

  std::string plain_root;
  std::string game_dir;
  std::string fog_file;
  std::string start_dir;
};

TEST_F(play_test, play_buttons_start_the_stored_game_in_the_install_directory_and_end) {
  struct launch_case {
    const char* label;
    bool blanks;  // installed below "Program Files", with a decoy Program.exe
    const char* korvexe;
    const char* stored_fog;  // "frontend.dat" before the run; null: none
    int fog_box;             // the state set through the dialog first; -1: not opened
    int button;
    const char* program;
    const char* arguments;
  };
  const launch_case cases[] = {
      // The stored fog setting counts only once the dialog has loaded it in this run.
      {"play", false, glide, "NOFOG\r\n", -1, play_id, "korv3dfx.exe", " -ar3"},
      {"play, fog box checked", false, glide, nullptr, BST_CHECKED, play_id, "korv3dfx.exe", " -ar3 -anf"},
      {"play, fog box unchecked", false, glide, "NOFOG\r\n", BST_UNCHECKED, play_id, "korv3dfx.exe", " -ar3"},
      // The network launcher takes the option of a case-sensitive key prefix, never fog.
      {"network GLIDE", false, glide, nullptr, BST_CHECKED, network_play_id, "netlaunc.exe", " -ar3"},
      {"network glide", false, "glide\r\nkorv3dfx.exe -ar3\r\n", nullptr, -1, network_play_id, "netlaunc.exe",
       ""},
      {"network unknown key", false, "ATI\r\nkorv.exe -arr\r\n", nullptr, -1, network_play_id, "netlaunc.exe",
       ""},
      {"play with blanks", true, "RAMP\r\nkorv.exe -arr\r\n", nullptr, -1, play_id, "korv.exe", " -arr"},
      {"network with blanks", true, "RAMP\r\nkorv.exe -arr\r\n", nullptr, -1, network_play_id, "netlaunc.exe",
       " -arr"},
  };
  for (const launch_case& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(remove_tree(plain_root));
    const std::string dir = c.blanks ? join_path(plain_root, "Program Files\\K") : game_dir;
    ASSERT_TRUE(make_dir(dir));
    // Where an unquoted line would be cut at its first blank.
    if (c.blanks) ASSERT_TRUE(install_stand_in(join_path(plain_root, "Program.exe")));
    for (const char* program : {"korv.exe", "korv3dfx.exe", "netlaunc.exe"}) {
      ASSERT_TRUE(install_stand_in(join_path(dir, program)));
    }
    ASSERT_TRUE(write_file(join_path(dir, "korvexe.dat"), c.korvexe));
    if (c.stored_fog != nullptr) ASSERT_TRUE(write_file(join_path(dir, "frontend.dat"), c.stored_fog));
    ASSERT_TRUE(set_app_path(dir));
    DeleteFileA(log_path.c_str());

    menu_process& menu = start_from_cd(start_dir);
    if (c.fog_box >= 0) {
      HWND dialog = open_fog_dialog(menu);
      ASSERT_TRUE(dialog);
      set_fog_box(dialog, c.fog_box);
      press_ok_and_wait(dialog);
      EXPECT_EQ(file_text(join_path(dir, "frontend.dat")),
                c.fog_box == BST_CHECKED ? "NOFOG\r\n" : "FOG\r\n");
    }
    std::vector<recorder_record> records = launch(menu, c.button, 1);
    ASSERT_EQ(records.size(), 1u);
    const std::string program = join_path(dir, c.program);
    EXPECT_EQ(records[0].command_line, (c.blanks ? "\"" + program + "\"" : program) + c.arguments);
    EXPECT_STRCASEEQ(records[0].module_path.c_str(), program.c_str());
    EXPECT_STRCASEEQ(records[0].current_dir.c_str(), dir.c_str());
  }
}

TEST_F(play_test, missing_driver_file_runs_detection_and_starts_the_best_present_renderer) {
  prepare_detection("NUM_DRIVERS 3\r\nRAMP PRESENT 0\r\nMMX PRESENT 0\r\nGLIDE MAYBEPRESENT 0\r\n");
  for (const char* program : {"mprofile.exe", "korv.exe", "korv3dfx.exe"}) {
    ASSERT_TRUE(install_stand_in(join_path(game_dir, program)));
  }
  ASSERT_TRUE(set_app_path(game_dir));
  menu_process& menu = start_from_cd(start_dir);
  std::vector<recorder_record> records = launch(menu, play_id, 2);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].command_line, game_dir + "\\mprofile.exe " + game_dir + "\\mdrivers.dat");
  EXPECT_EQ(records[1].command_line, game_dir + "\\korv.exe -arm");
  EXPECT_STRCASEEQ(records[1].current_dir.c_str(), game_dir.c_str());
  EXPECT_EQ(file_text(join_path(game_dir, "korvexe.dat")), "MMX\r\nkorv.exe -arm\r\n");
}

// One menu through every way Play and Play Network Game find nothing to start.
TEST_F(play_test, nothing_to_start_leaves_the_menu_open) {
  prepare_detection("NUM_DRIVERS 2\r\nGLIDE MAYBEPRESENT 0\r\nMMX MAYBEPRESENT 0\r\n");
  // A game in the menu's current directory, where a relative name would find it; setup.exe
  // only there shows which directory is current after a failed start.
  for (const char* program : {"korv.exe", "setup.exe"})
    ASSERT_TRUE(install_stand_in(join_path(start_dir, program)));
  ASSERT_TRUE(write_file(join_path(start_dir, "korvexe.dat"), "RAMP\r\nkorv.exe -arr\r\n"));
  ASSERT_TRUE(install_stand_in(join_path(game_dir, "mprofile.exe")));
  menu_process& menu = start_from_cd(start_dir);
  ASSERT_TRUE(menu.window);

  for (const char* registered : {static_cast<const char*>(nullptr), "", " ", "absent"}) {
    SCOPED_TRACE(registered == nullptr ? "no App Paths key" : std::string("[") + registered + "]");
    if (registered != nullptr)
      ASSERT_TRUE(set_app_path(*registered == 'a' ? join_path(plain_root, registered) : registered));
    EXPECT_EQ(click_and_stay(menu, play_id), 0u);
    EXPECT_EQ(click_and_stay(menu, network_play_id), 0u);
  }

  ASSERT_TRUE(set_app_path(game_dir));
  ASSERT_TRUE(write_file(join_path(game_dir, "korvexe.dat"), "GLIDE\r\n"));
  EXPECT_EQ(click_and_stay(menu, play_id), 0u) << "one-line korvexe.dat";
  EXPECT_EQ(click_and_stay(menu, network_play_id), 0u) << "one-line korvexe.dat";
  EXPECT_EQ(file_text(join_path(game_dir, "korvexe.dat")), "GLIDE\r\n");

  // Only maybe-present renderers: detection runs, and nothing else.
  ASSERT_TRUE(DeleteFileA(join_path(game_dir, "korvexe.dat").c_str()));
  EXPECT_EQ(click_and_stay(menu, play_id), 1u);
  EXPECT_EQ(read_recorder_log(log_path).at(0).name, "mprofile.exe");
  EXPECT_FALSE(file_exists(join_path(game_dir, "korvexe.dat")));

  // A missing game program.
  ASSERT_TRUE(write_file(join_path(game_dir, "korvexe.dat"), glide));
  click(menu, play_id);
  expect_error_box(menu, installation_error);
  click(menu, install_game_id);
  ASSERT_TRUE(wait_for_records(log_path, 2));
  std::vector<recorder_record> records = read_recorder_log(log_path);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].name, "setup.exe");
  EXPECT_STRCASEEQ(records[1].current_dir.c_str(), start_dir.c_str());
}

TEST_F(play_test, fog_dialog_reads_the_setting_only_from_an_install_directory_and_only_ok_ends_it) {
  ASSERT_TRUE(write_file(fog_file, "nofog\r\n"));
  menu_process& menu = start_from_cd(start_dir);
  // No install directory: the file is never read, and OK writes nothing; " " counts as
  // none too. The flag lives on for the rest of the run, though nothing stored it.
  for (const char* registered : {static_cast<const char*>(nullptr), " "}) {
    SCOPED_TRACE(registered == nullptr ? "no App Paths key" : "blank path");
    if (registered != nullptr) ASSERT_TRUE(set_app_path(registered));
    HWND dialog = open_fog_dialog(menu);
    ASSERT_TRUE(dialog);
    const bool first = registered == nullptr;
    EXPECT_EQ(check_state(GetDlgItem(dialog, nofog_box_id)), first ? BST_UNCHECKED : BST_CHECKED);
    set_fog_box(dialog, first ? BST_CHECKED : BST_UNCHECKED);
    press_ok_and_wait(dialog);
  }
  EXPECT_EQ(file_text(fog_file), "nofog\r\n");
  for (const std::string& dir : {cd_dir, start_dir})
    EXPECT_FALSE(file_exists(join_path(dir, "frontend.dat"))) << dir;

  // "nofog" in any case checks the box; Cancel, Escape and the close box leave it open.
  ASSERT_TRUE(set_app_path(game_dir));
  HWND dialog = open_fog_dialog(menu);
  ASSERT_TRUE(dialog);
  EXPECT_EQ(check_state(GetDlgItem(dialog, nofog_box_id)), BST_CHECKED);
  set_fog_box(dialog, BST_UNCHECKED);
  press_cancel(dialog);
  PostMessageA(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(wait_menu_idle(menu));
  Sleep(settle_ms);
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(file_text(fog_file), "nofog\r\n");
  press_ok_and_wait(dialog);
  EXPECT_EQ(file_text(fog_file), "FOG\r\n");
  EXPECT_TRUE(menu_running(menu));
}

}  // namespace
