// Play and Play Network Game, driven from outside: which program starts, with which
// command line and in which folder, and whether the menu ends.
#include "harness.h"

#include <string>
#include <vector>

namespace {

constexpr int play_id = 8002;
constexpr int network_play_id = 8008;
constexpr int troubleshoot_id = 8010;
constexpr int install_game_id = 8001;
constexpr int nofog_box_id = 1021;

const char installation_error[] =
    "Failed to locate a required file in your installation. You may need to re-install Korvamund.";

class play_test : public e2e_test {
 protected:
  void SetUp() override {
    e2e_test::SetUp();
    // The scratch folder's name has a blank; the plain case needs a folder without one.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    plain_root = join_path(temp, "korv-play-" + std::to_string(GetCurrentProcessId()));
    remove_tree(plain_root);
    ASSERT_EQ(plain_root.find(' '), std::string::npos) << plain_root;
    game_dir = join_path(plain_root, "Games\\K");
    ASSERT_TRUE(make_dir(game_dir));
    start_dir = join_path(scratch_dir, "start");
    ASSERT_TRUE(make_dir(start_dir));
    cd_dir = make_cd(scratch_dir, {});
    ASSERT_FALSE(cd_dir.empty());
  }

  void TearDown() override {
    e2e_test::TearDown();
    remove_tree(plain_root);
  }

  void install_game(const std::string& dir, const std::string& korvexe,
                    std::initializer_list<const char*> programs) {
    ASSERT_TRUE(make_dir(dir));
    for (const char* program : programs) ASSERT_TRUE(install_stand_in(join_path(dir, program)));
    if (!korvexe.empty()) ASSERT_TRUE(write_file(join_path(dir, "korvexe.dat"), korvexe));
    ASSERT_TRUE(set_app_path(dir));
  }

  menu_process& open_menu() {
    menu_process& menu = start(join_path(cd_dir, "startup.exe"), start_dir);
    EXPECT_TRUE(menu.window);
    return menu;
  }

  // Clicks a play button and returns the one program it started; the menu must end.
  recorder_record launch(menu_process& menu, int command) {
    click(menu, command);
    EXPECT_TRUE(wait_for_records(log_path, 1));
    DWORD exit_code = 1;
    EXPECT_TRUE(wait_for_exit(menu, default_timeout_ms, &exit_code));
    EXPECT_EQ(exit_code, 0u);
    std::vector<recorder_record> records = read_recorder_log(log_path);
    EXPECT_EQ(records.size(), 1u);
    return records.empty() ? recorder_record{} : records.back();
  }

  // Clicks and checks that the menu stays open; returns what was started meanwhile.
  std::vector<recorder_record> click_and_stay(menu_process& menu, int command) {
    click(menu, command);
    EXPECT_TRUE(wait_menu_idle(menu));
    Sleep(settle_ms);
    EXPECT_TRUE(menu_running(menu));
    return read_recorder_log(log_path);
  }

  // Sets the fog box through the dialog, as a player clicks it, and presses OK.
  void set_fog_box(menu_process& menu, int wanted_state) {
    click(menu, troubleshoot_id);
    HWND dialog = wait_for_dialog(menu.info.dwProcessId, "Graphics Troubleshooting");
    ASSERT_TRUE(dialog);
    HWND box = GetDlgItem(dialog, nofog_box_id);
    ASSERT_TRUE(box);
    if (check_state(box) != wanted_state) PostMessageA(box, BM_CLICK, 0, 0);
    ASSERT_TRUE(wait_until([&] { return check_state(box) == wanted_state; }));
    press_ok(dialog);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
  }

  std::string file_text(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(read_file(path, &bytes)) << path;
    return bytes;
  }

  std::string plain_root;
  std::string game_dir;
  std::string start_dir;
  std::string cd_dir;
};

TEST_F(play_test, starts_the_stored_game_command_in_the_install_directory_and_ends) {
  install_game(game_dir, "GLIDE\r\nkorv3dfx.exe -ar3\r\n", {"korv3dfx.exe", "korv.exe"});
  // The stored fog setting counts only once the dialog has loaded it in this run.
  ASSERT_TRUE(write_file(join_path(game_dir, "frontend.dat"), "NOFOG\r\n"));
  menu_process& menu = open_menu();
  recorder_record game = launch(menu, play_id);
  EXPECT_EQ(game.name, "korv3dfx.exe");
  EXPECT_EQ(game.command_line, game_dir + "\\korv3dfx.exe -ar3");
  EXPECT_STRCASEEQ(game.current_dir.c_str(), game_dir.c_str());
}

TEST_F(play_test, fog_box_checked_earlier_in_the_run_adds_the_fog_option) {
  install_game(game_dir, "GLIDE\r\nkorv3dfx.exe -ar3\r\n", {"korv3dfx.exe"});
  menu_process& menu = open_menu();
  set_fog_box(menu, BST_CHECKED);
  EXPECT_EQ(file_text(join_path(game_dir, "frontend.dat")), "NOFOG\r\n");
  recorder_record game = launch(menu, play_id);
  EXPECT_EQ(game.command_line, game_dir + "\\korv3dfx.exe -ar3 -anf");
}

TEST_F(play_test, fog_box_unchecked_writes_fog_and_play_adds_nothing) {
  install_game(game_dir, "GLIDE\r\nkorv3dfx.exe -ar3\r\n", {"korv3dfx.exe"});
  ASSERT_TRUE(write_file(join_path(game_dir, "frontend.dat"), "NOFOG\r\n"));
  menu_process& menu = open_menu();
  set_fog_box(menu, BST_UNCHECKED);
  EXPECT_EQ(file_text(join_path(game_dir, "frontend.dat")), "FOG\r\n");
  recorder_record game = launch(menu, play_id);
  EXPECT_EQ(game.command_line, game_dir + "\\korv3dfx.exe -ar3");
}

TEST_F(play_test, unusable_install_directory_starts_nothing_and_leaves_the_menu_open) {
  // A game in the menu's current directory, where a relative name would find it.
  ASSERT_TRUE(install_stand_in(join_path(start_dir, "korv.exe")));
  ASSERT_TRUE(write_file(join_path(start_dir, "korvexe.dat"), "RAMP\r\nkorv.exe -arr\r\n"));
  menu_process& menu = open_menu();
  // No App Paths entry at all.
  EXPECT_TRUE(click_and_stay(menu, play_id).empty());
  EXPECT_TRUE(click_and_stay(menu, network_play_id).empty());
  for (const std::string& registered : {std::string(), std::string(" "), join_path(plain_root, "absent")}) {
    SCOPED_TRACE("[" + registered + "]");
    ASSERT_TRUE(set_app_path(registered));
    EXPECT_TRUE(click_and_stay(menu, play_id).empty());
    EXPECT_TRUE(click_and_stay(menu, network_play_id).empty());
  }
}

TEST_F(play_test, one_line_driver_file_starts_nothing_and_leaves_the_menu_open) {
  install_game(game_dir, "GLIDE\r\n", {"korv3dfx.exe", "mprofile.exe"});
  menu_process& menu = open_menu();
  EXPECT_TRUE(click_and_stay(menu, play_id).empty());
  EXPECT_TRUE(click_and_stay(menu, network_play_id).empty());
  EXPECT_EQ(file_text(join_path(game_dir, "korvexe.dat")), "GLIDE\r\n");
}

TEST_F(play_test, missing_driver_file_runs_detection_and_starts_the_best_present_renderer) {
  const std::string prepared = join_path(scratch_dir, "prepared.dat");
  ASSERT_TRUE(write_file(prepared,
                         "NUM_DRIVERS 3\r\nRAMP PRESENT 0\r\nMMX PRESENT 0\r\nGLIDE MAYBEPRESENT 0\r\n"));
  ASSERT_TRUE(SetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", prepared.c_str()));
  install_game(game_dir, "", {"mprofile.exe", "korv.exe", "korv3dfx.exe"});
  menu_process& menu = open_menu();
  click(menu, play_id);
  ASSERT_TRUE(wait_for_records(log_path, 2));
  DWORD exit_code = 1;
  EXPECT_TRUE(wait_for_exit(menu, default_timeout_ms, &exit_code));
  std::vector<recorder_record> records = read_recorder_log(log_path);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].name, "mprofile.exe");
  EXPECT_EQ(records[0].command_line,
            game_dir + "\\mprofile.exe " + game_dir + "\\mdrivers.dat");
  EXPECT_EQ(records[1].name, "korv.exe");
  EXPECT_EQ(records[1].command_line, game_dir + "\\korv.exe -arm");
  EXPECT_STRCASEEQ(records[1].current_dir.c_str(), game_dir.c_str());
  EXPECT_EQ(file_text(join_path(game_dir, "korvexe.dat")), "MMX\r\nkorv.exe -arm\r\n");
}

TEST_F(play_test, only_maybe_present_renderers_start_nothing_but_detection) {
  const std::string prepared = join_path(scratch_dir, "prepared.dat");
  ASSERT_TRUE(write_file(prepared, "NUM_DRIVERS 2\r\nGLIDE MAYBEPRESENT 0\r\nMMX MAYBEPRESENT 0\r\n"));
  ASSERT_TRUE(SetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", prepared.c_str()));
  install_game(game_dir, "", {"mprofile.exe", "korv.exe", "korv3dfx.exe"});
  menu_process& menu = open_menu();
  std::vector<recorder_record> records = click_and_stay(menu, play_id);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, "mprofile.exe");
  EXPECT_FALSE(file_exists(join_path(game_dir, "korvexe.dat")));
}

TEST_F(play_test, missing_game_program_reports_and_restores_the_current_directory) {
  install_game(game_dir, "GLIDE\r\nkorv3dfx.exe -ar3\r\n", {});
  // setup.exe lies only in the menu's own current directory, so Install Game shows
  // which directory is current after the failed start.
  ASSERT_TRUE(install_stand_in(join_path(start_dir, "setup.exe")));
  menu_process& menu = open_menu();
  click(menu, play_id);
  HWND box = wait_for_dialog(menu.info.dwProcessId, "Korvamund");
  ASSERT_TRUE(box);
  EXPECT_EQ(message_box_text(box), installation_error);
  press_ok(box);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(box); }));
  EXPECT_TRUE(wait_menu_idle(menu));
  EXPECT_TRUE(menu_running(menu));
  EXPECT_TRUE(read_recorder_log(log_path).empty());
  click(menu, install_game_id);
  ASSERT_TRUE(wait_for_records(log_path, 1));
  std::vector<recorder_record> records = read_recorder_log(log_path);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, "setup.exe");
  EXPECT_STRCASEEQ(records[0].current_dir.c_str(), start_dir.c_str());
}

TEST_F(play_test, network_game_takes_the_option_of_a_case_sensitive_key_prefix) {
  struct key_case {
    const char* korvexe;
    const char* arguments;
  };
  const key_case cases[] = {
      {"GLIDE\r\nkorv3dfx.exe -ar3\r\n", " -ar3"},
      {"glide\r\nkorv3dfx.exe -ar3\r\n", ""},
      {"ATI\r\nkorv.exe -arr\r\n", ""},
  };
  install_game(game_dir, "", {"netlaunc.exe"});
  // Fog on must not reach the network launcher.
  ASSERT_TRUE(write_file(join_path(game_dir, "frontend.dat"), "NOFOG\r\n"));
  for (const key_case& c : cases) {
    SCOPED_TRACE(c.korvexe);
    DeleteFileA(log_path.c_str());
    ASSERT_TRUE(write_file(join_path(game_dir, "korvexe.dat"), c.korvexe));
    menu_process& menu = open_menu();
    set_fog_box(menu, BST_CHECKED);
    recorder_record launcher = launch(menu, network_play_id);
    EXPECT_EQ(launcher.name, "netlaunc.exe");
    EXPECT_EQ(launcher.command_line, game_dir + "\\netlaunc.exe" + c.arguments);
    EXPECT_STRCASEEQ(launcher.current_dir.c_str(), game_dir.c_str());
  }
}

TEST_F(play_test, install_directory_with_blanks_starts_the_right_program_never_the_decoy) {
  const std::string dir = join_path(plain_root, "Program Files\\K");
  // Where an unquoted line would be cut at its first blank.
  ASSERT_TRUE(install_stand_in(join_path(plain_root, "Program.exe")));
  install_game(dir, "RAMP\r\nkorv.exe -arr\r\n", {"korv.exe", "netlaunc.exe"});

  menu_process& menu = open_menu();
  recorder_record game = launch(menu, play_id);
  EXPECT_EQ(game.name, "korv.exe");
  EXPECT_EQ(game.command_line, "\"" + dir + "\\korv.exe\" -arr");
  EXPECT_STRCASEEQ(game.module_path.c_str(), (dir + "\\korv.exe").c_str());
  EXPECT_STRCASEEQ(game.current_dir.c_str(), dir.c_str());

  DeleteFileA(log_path.c_str());
  menu_process& second = open_menu();
  recorder_record launcher = launch(second, network_play_id);
  EXPECT_EQ(launcher.name, "netlaunc.exe");
  EXPECT_EQ(launcher.command_line, "\"" + dir + "\\netlaunc.exe\" -arr");
  EXPECT_STRCASEEQ(launcher.module_path.c_str(), (dir + "\\netlaunc.exe").c_str());
}

}  // namespace
