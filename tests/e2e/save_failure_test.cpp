// Settings that cannot be saved keep their old bytes and the menu says which, where and why;
// closed from outside while a command waits on a dialog or box, the menu ends cleanly.
#include "harness.h"

namespace {

const char old_choice[] = "RAMP\r\nkorv.exe -arr\r\n", old_fog[] = "NOFOG\r\n";

class save_failure_test : public e2e_test {
 protected:
  // The game with a detection stand-in that finds one renderer, and both setting files held
  // open without sharing, as another program writing them would.
  void SetUp() override {
    e2e_test::SetUp();
    game_dir = join_path(scratch_dir, "Games\\K");
    prepare_detection("NUM_DRIVERS 1\r\nMMX PRESENT 0\r\n");
    ASSERT_TRUE(install_stand_in(join_path(game_dir, "mprofile.exe")) && set_app_path(game_dir) &&
                write_bytes(join_path(game_dir, "korvexe.dat"), old_choice) &&
                write_bytes(join_path(game_dir, "frontend.dat"), old_fog));
    for (const char* name : {"korvexe.dat", "frontend.dat"})
      locks.push_back(CreateFileA(join_path(game_dir, name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  void TearDown() override {
    unlock();
    e2e_test::TearDown();
  }
  void unlock() {
    for (HANDLE lock : locks) CloseHandle(lock);
    locks.clear();
  }

  // The box's text for a setting that cannot take the place of `target`, with the system's
  // own text for the error that putting a file there gives.
  std::string save_failure_text(const char* setting, const char* target) {
    const std::string probe = join_path(scratch_dir, "probe.dat");
    write_bytes(probe, "x");
    EXPECT_FALSE(MoveFileExA(probe.c_str(), join_path(game_dir, target).c_str(), MOVEFILE_REPLACE_EXISTING));
    char reason[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0,
                   reason, sizeof reason, nullptr);
    std::string text = reason;
    text.erase(text.find_last_not_of("\r\n") + 1);
    return std::string(setting) + " could not be saved.\n\nFolder: " + game_dir + "\nReason: " + text;
  }

  // Both files keep their old bytes (unless a folder took one's place); no file is added.
  void expect_settings_unchanged() {
    unlock();
    EXPECT_TRUE(read_bytes(join_path(game_dir, "korvexe.dat")) == "<missing>" ||
                read_bytes(join_path(game_dir, "korvexe.dat")) == old_choice);
    EXPECT_EQ(read_bytes(join_path(game_dir, "frontend.dat")), old_fog);
    for (const char* name : {"korvexe.dat.new", "frontend.dat.new"})
      EXPECT_EQ(read_bytes(join_path(game_dir, name)), "<missing>") << name;
  }

  std::string game_dir;
  std::vector<HANDLE> locks;
};

TEST_F(save_failure_test, unsaved_settings_keep_their_bytes_and_the_menu_says_which_where_and_why) {
  const std::string driver_text = save_failure_text("The video driver choice", "korvexe.dat");
  const std::string fog_text = save_failure_text("The fog setting", "frontend.dat");
  menu_process& menu = start(scratch_dir);
  for (auto [command, caption] : {std::pair{8010, "Graphics Troubleshooting"}, {8009, "Select Driver"}}) {
    click(menu, command);
    press(wait_for_dialog(menu.info.dwProcessId, caption), IDOK);
    expect_error_box(menu, command == 8010 ? fog_text.c_str() : driver_text.c_str());
  }
  click(menu, 8002);  // Play cannot read the locked choice, runs the detection and cannot store its choice
  expect_error_box(menu, driver_text.c_str());
  expect_settings_unchanged();
  // No "korvexe.dat", and a folder of that name in the way of the silent choice.
  ASSERT_TRUE(DeleteFileA(join_path(game_dir, "korvexe.dat").c_str()) &&
              make_directory(join_path(game_dir, "korvexe.dat")));
  const std::string blocked_text = save_failure_text("The video driver choice", "korvexe.dat");
  for (int command : {8002, 8008}) {
    click(menu, command);
    expect_error_box(menu, blocked_text.c_str());
  }
  for (const recorder_record& record : read_recorder_log(log_path)) EXPECT_EQ(record.name, "mprofile.exe");
  expect_settings_unchanged();
}

TEST_F(save_failure_test, menu_closed_from_outside_ends_with_exit_code_0_and_writes_nothing) {
  // The dialog or box open when the menu is closed; with both files locked, Play ends in one.
  for (auto [command, caption] :
       {std::pair{8009, "Select Driver"}, {8010, "Graphics Troubleshooting"}, {8002, "Korvamund"}}) {
    menu_process& menu = start(scratch_dir);
    click(menu, command);
    ASSERT_TRUE(wait_for_dialog(menu.info.dwProcessId, caption)) << caption;
    PostMessageA(menu.window, WM_CLOSE, 0, 0);  // as Task Manager's End task or a logoff does
    expect_closes(menu);
  }
  expect_settings_unchanged();
}

}  // namespace
