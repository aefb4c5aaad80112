// The Graphics Troubleshooting dialog, driven from outside: what the box shows, what ends
// the dialog and what reaches "frontend.dat".
#include "harness.h"

#include <string>

namespace {

constexpr int troubleshoot_id = 8010;
constexpr int nofog_box_id = 1021;
const char dialog_caption[] = "Graphics Troubleshooting";

class troubleshoot_test : public e2e_test {
 protected:
  void SetUp() override {
    e2e_test::SetUp();
    install_dir = join_path(scratch_dir, "K");
    ASSERT_TRUE(make_dir(install_dir));
    fog_file = join_path(install_dir, "frontend.dat");
    cd_dir = make_cd(scratch_dir, {});
    ASSERT_FALSE(cd_dir.empty());
  }

  menu_process& open_menu() {
    menu_process& menu = start(join_path(cd_dir, "startup.exe"), cd_dir);
    EXPECT_TRUE(menu.window);
    return menu;
  }

  HWND open_dialog(menu_process& menu) {
    click(menu, troubleshoot_id);
    HWND dialog = wait_for_dialog(menu.info.dwProcessId, dialog_caption);
    EXPECT_TRUE(dialog);
    return dialog;
  }

  HWND nofog_box(HWND dialog) {
    HWND box = GetDlgItem(dialog, nofog_box_id);
    EXPECT_TRUE(box);
    return box;
  }

  // Clicks the box as a player does and waits for the new state.
  void toggle(HWND box, int expected_state) {
    PostMessageA(box, BM_CLICK, 0, 0);
    EXPECT_TRUE(wait_until([&] { return check_state(box) == expected_state; }));
  }

  void press_ok_and_wait(HWND dialog) {
    press_ok(dialog);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
  }

  std::string install_dir;
  std::string fog_file;
  std::string cd_dir;
};

TEST_F(troubleshoot_test, stored_nofog_in_any_case_checks_the_box) {
  ASSERT_TRUE(write_file(fog_file, "nofog\r\n"));
  ASSERT_TRUE(set_app_path(install_dir));
  menu_process& menu = open_menu();
  HWND dialog = open_dialog(menu);
  ASSERT_TRUE(dialog);
  EXPECT_EQ(check_state(nofog_box(dialog)), BST_CHECKED);
  press_ok_and_wait(dialog);
  std::string bytes;
  ASSERT_TRUE(read_file(fog_file, &bytes));
  EXPECT_EQ(bytes, "NOFOG\r\n");
  EXPECT_TRUE(menu_running(menu));
}

TEST_F(troubleshoot_test, escape_and_the_close_box_neither_end_the_dialog_nor_write) {
  ASSERT_TRUE(set_app_path(install_dir));
  menu_process& menu = open_menu();
  HWND dialog = open_dialog(menu);
  ASSERT_TRUE(dialog);
  toggle(nofog_box(dialog), BST_CHECKED);

  press_cancel(dialog);
  PostMessageA(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(wait_menu_idle(menu));
  Sleep(settle_ms);
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_FALSE(file_exists(fog_file));

  // Only OK ends it, and it writes the state set by the click.
  press_ok_and_wait(dialog);
  std::string bytes;
  ASSERT_TRUE(read_file(fog_file, &bytes));
  EXPECT_EQ(bytes, "NOFOG\r\n");
  EXPECT_TRUE(menu_running(menu));
}

TEST_F(troubleshoot_test, without_install_directory_opens_unchecked_and_writes_nothing) {
  // The file exists but no install directory is registered, so it is never read.
  ASSERT_TRUE(write_file(fog_file, "NOFOG\r\n"));
  menu_process& menu = open_menu();
  HWND dialog = open_dialog(menu);
  ASSERT_TRUE(dialog);
  HWND box = nofog_box(dialog);
  EXPECT_EQ(check_state(box), BST_UNCHECKED);
  toggle(box, BST_CHECKED);
  press_ok_and_wait(dialog);

  // The flag lives on for the rest of the run, though nothing stored it.
  dialog = open_dialog(menu);
  ASSERT_TRUE(dialog);
  box = nofog_box(dialog);
  EXPECT_EQ(check_state(box), BST_CHECKED);
  toggle(box, BST_UNCHECKED);
  press_ok_and_wait(dialog);
  EXPECT_TRUE(menu_running(menu));

  std::string bytes;
  ASSERT_TRUE(read_file(fog_file, &bytes));
  EXPECT_EQ(bytes, "NOFOG\r\n");
  EXPECT_FALSE(file_exists(join_path(cd_dir, "frontend.dat")));
}

TEST_F(troubleshoot_test, blank_install_directory_counts_as_none) {
  ASSERT_TRUE(set_app_path(" "));
  menu_process& menu = open_menu();
  HWND dialog = open_dialog(menu);
  ASSERT_TRUE(dialog);
  toggle(nofog_box(dialog), BST_CHECKED);
  press_ok_and_wait(dialog);
  EXPECT_TRUE(menu_running(menu));
  EXPECT_FALSE(file_exists(join_path(cd_dir, "frontend.dat")));
}

}  // namespace
