// Settings that cannot be saved keep their old bytes and the menu says which, where and why;
// closed from outside while a command waits on a dialog or box, the menu ends cleanly.
#include "harness.h"

#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int play_id = 8002, network_play_id = 8008, change_driver_id = 8009, troubleshoot_id = 8010;
const char old_choice[] = "RAMP\r\nkorv.exe -arr\r\n", old_fog[] = "NOFOG\r\n";

class save_failure_test : public e2e_test {
 protected:
  // The game with a detection stand-in that finds one renderer, and both setting files.
  void SetUp() override {
    e2e_test::SetUp();
    game_dir = join_path(scratch_dir, "Games\\K");
    const std::string prepared = join_path(scratch_dir, "prepared.dat");
    ASSERT_TRUE(install_stand_in(in_game("mprofile.exe")) && set_app_path(game_dir) &&
                write_file(prepared, "NUM_DRIVERS 1\r\nMMX PRESENT 0\r\n") &&
                SetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", prepared.c_str()) &&
                write_file(in_game("korvexe.dat"), old_choice) &&
                write_file(in_game("frontend.dat"), old_fog));
  }
  void TearDown() override {
    unlock();
    e2e_test::TearDown();
  }

  std::string in_game(const char* name) const { return join_path(game_dir, name); }

  // Holds both setting files open without sharing, as another program writing them would.
  void lock() {
    for (const char* name : {"korvexe.dat", "frontend.dat"})
      locks.push_back(CreateFileA(in_game(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  void unlock() {
    for (HANDLE lock : locks) CloseHandle(lock);
    locks.clear();
  }

  // The box's text for a setting that cannot take the place of `target`, with the system's
  // own text for the error that putting a file there gives.
  std::string save_failure_text(const char* setting, const char* target) {
    const std::string probe = join_path(scratch_dir, "probe.dat");
    write_file(probe, "x");
    EXPECT_FALSE(MoveFileExA(probe.c_str(), in_game(target).c_str(), MOVEFILE_REPLACE_EXISTING)) << target;
    char reason[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0,
                   reason, sizeof reason, nullptr);
    std::string text = reason;
    text.erase(text.find_last_not_of("\r\n") + 1);
    return std::string(setting) + " could not be saved.\n\nFolder: " + game_dir + "\nReason: " + text;
  }

  HWND click_for_dialog(const menu_process& menu, int command, const char* caption) {
    click(menu, command);
    return wait_for_dialog(menu.info.dwProcessId, caption);
  }

  // Both files keep their old bytes (unless a folder took one's place); no file is added.
  void expect_settings_unchanged() {
    EXPECT_TRUE(!file_exists(in_game("korvexe.dat")) || file_text(in_game("korvexe.dat")) == old_choice);
    EXPECT_EQ(file_text(in_game("frontend.dat")), old_fog);
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(in_game("*").c_str(), &entry);
    const std::string known = "|.|..|mprofile.exe|mdrivers.dat|korvexe.dat|frontend.dat|";
    do EXPECT_NE(known.find("|" + std::string(entry.cFileName) + "|"), std::string::npos) << entry.cFileName;
    while (FindNextFileA(search, &entry));
    FindClose(search);
  }

  std::string game_dir;
  std::vector<HANDLE> locks;
};

TEST_F(save_failure_test, unsaved_settings_keep_their_bytes_and_the_menu_says_which_where_and_why) {
  lock();
  const std::string driver_text = save_failure_text("The video driver choice", "korvexe.dat");
  const std::string fog_text = save_failure_text("The fog setting", "frontend.dat");
  menu_process& menu = start(scratch_dir);
  press(click_for_dialog(menu, troubleshoot_id, "Graphics Troubleshooting"), IDOK);
  expect_error_box(menu, fog_text.c_str());
  press(click_for_dialog(menu, change_driver_id, "Select Driver"), IDOK);
  expect_error_box(menu, driver_text.c_str());
  // Play cannot read the locked choice either, so it runs the detection and cannot store its choice.
  click(menu, play_id);
  expect_error_box(menu, driver_text.c_str());
  unlock();
  expect_settings_unchanged();

  // No "korvexe.dat", and a folder of that name in the way of the silent choice.
  ASSERT_TRUE(DeleteFileA(in_game("korvexe.dat").c_str()) && make_dir(in_game("korvexe.dat")));
  const std::string blocked_text = save_failure_text("The video driver choice", "korvexe.dat");
  for (int command : {play_id, network_play_id}) {
    click(menu, command);
    expect_error_box(menu, blocked_text.c_str());
  }
  for (const recorder_record& record : read_recorder_log(log_path)) EXPECT_EQ(record.name, "mprofile.exe");
  expect_settings_unchanged();
}

TEST_F(save_failure_test, menu_closed_from_outside_ends_with_exit_code_0_and_writes_nothing) {
  // The dialog or box open when the menu is closed; with both files locked, Play ends in one.
  const std::pair<int, const char*> cases[] = {{change_driver_id, "Select Driver"},
                                               {troubleshoot_id, "Graphics Troubleshooting"},
                                               {play_id, "Korvamund"}};
  for (const auto& [command, caption] : cases) {
    SCOPED_TRACE(caption);
    lock();
    menu_process& menu = start(scratch_dir);
    ASSERT_TRUE(click_for_dialog(menu, command, caption));
    PostMessageA(menu.window, WM_CLOSE, 0, 0);  // as Task Manager's End task or a logoff does
    DWORD exit_code = 1;
    EXPECT_TRUE(wait_for_exit(menu, default_timeout_ms, &exit_code) && exit_code == 0) << exit_code;
    unlock();
    expect_settings_unchanged();
  }
}

}  // namespace
