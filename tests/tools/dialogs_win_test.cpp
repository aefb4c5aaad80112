// The installer's wizard, the uninstaller's questions and the DirectX message, driven by
// posted clicks as a user would.
#include <gtest/gtest.h>

#include <string>

#include "install_plan.h"
#include "win_helpers.h"

namespace {

constexpr int wizard_next = 103;
constexpr int wizard_folder = 101;
constexpr int message_box_text = 0xffff;

void delete_keys() {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, app_paths_key);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, uninstall_key);
}

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    delete_keys();
    root_ = fresh_temp_dir("dialogs");
    game_ = root_ + "\\Korv Game";
  }
  void TearDown() override {
    delete_keys();
    remove_tree(root_);
  }
  std::string root_, game_;
};

}  // namespace

TEST_F(Dialogs, WizardInstallsIntoTheOfferedFolder) {
  started_process setup = start_process("\"" + bin_dir() + "\\setup.exe\" /D=" + game_);
  ASSERT_TRUE(setup.ok);
  HWND wizard = wait_window("Korvamund Setup");
  ASSERT_NE(wizard, nullptr);
  post_click(wizard, wizard_next);
  EXPECT_TRUE(eventually([&] { return item_text(wizard, wizard_next) == "&Install"; }));
  EXPECT_EQ(item_text(wizard, wizard_folder), game_);
  post_click(wizard, wizard_next);
  EXPECT_TRUE(eventually([&] { return item_text(wizard, wizard_next) == "&Finish"; }));
  EXPECT_EQ(hklm_string(app_paths_key, "Path"), game_);
  EXPECT_TRUE(file_exists(game_ + "\\korv.exe"));
  post_click(wizard, wizard_next);
  EXPECT_EQ(finish_process(&setup), 0);
  EXPECT_EQ(run_and_wait("\"" + game_ + "\\uninstall.exe\" /S"), 0);
}

TEST_F(Dialogs, WizardCancelInstallsNothing) {
  started_process setup = start_process("\"" + bin_dir() + "\\setup.exe\" /D=" + game_);
  HWND wizard = wait_window("Korvamund Setup");
  ASSERT_NE(wizard, nullptr);
  post_click(wizard, wizard_next);
  EXPECT_TRUE(eventually([&] { return item_text(wizard, wizard_next) == "&Install"; }));
  post_click(wizard, IDCANCEL);
  EXPECT_EQ(finish_process(&setup), 65);
  EXPECT_FALSE(hklm_key_exists(app_paths_key));
  EXPECT_FALSE(dir_exists(game_));
}

TEST_F(Dialogs, UninstallAsksFirst) {
  ASSERT_EQ(run_and_wait("\"" + bin_dir() + "\\setup.exe\" /S /D=" + game_), 0);
  std::string uninstaller = "\"" + game_ + "\\uninstall.exe\"";

  started_process declined = start_process(uninstaller);
  HWND question = wait_window("Korvamund Uninstall");
  ASSERT_NE(question, nullptr);
  EXPECT_NE(item_text(question, message_box_text).find(game_), std::string::npos);
  post_click(question, IDNO);
  EXPECT_EQ(finish_process(&declined), 1);
  EXPECT_EQ(hklm_string(app_paths_key, "Path"), game_);
  EXPECT_TRUE(file_exists(game_ + "\\korv.exe"));

  started_process accepted = start_process(uninstaller);
  question = wait_window("Korvamund Uninstall");
  ASSERT_NE(question, nullptr);
  post_click(question, IDYES);
  HWND done = nullptr;
  EXPECT_TRUE(eventually([&] {
    done = FindWindowA(nullptr, "Korvamund Uninstall");
    return done != nullptr && item_text(done, message_box_text).find("removed") != std::string::npos;
  }));
  EXPECT_FALSE(hklm_key_exists(app_paths_key));
  EXPECT_FALSE(hklm_key_exists(uninstall_key));
  if (done != nullptr) post_click(done, IDOK);
  EXPECT_EQ(finish_process(&accepted), 0);
  EXPECT_TRUE(eventually([&] { return !dir_exists(game_); }));
}

TEST(DirectXSetup, SaysDirectXIsPresentAndEnds) {
  started_process dxsetup = start_process("\"" + bin_dir() + "\\dxsetup.exe\"");
  HWND box = wait_window("DirectX Setup");
  ASSERT_NE(box, nullptr);
  EXPECT_NE(item_text(box, message_box_text).find("already present"), std::string::npos);
  post_click(box, IDOK);
  EXPECT_EQ(finish_process(&dxsetup), 0);
}
