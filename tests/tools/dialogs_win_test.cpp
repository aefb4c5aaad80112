// The installer's wizard, the uninstaller's questions and the DirectX message, driven by
// posted clicks as a user would.
#include <gtest/gtest.h>

#include <string>

#include "install_plan.h"
#include "win_helpers.h"

constexpr int wizard_folder = 101;
constexpr int wizard_next = 103;

// Installing through the wizard and uninstalling after a Yes are part of the menu's tour
// test; here the ways out that must change nothing.
TEST(Dialogs, WizardCancelAndUninstallNoChangeNothing) {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, app_paths_key);
  const std::string root = fresh_temp_dir("dialogs");
  const std::string game = root + "\\Korv Game";
  const std::string setup = "\"" + bin_dir() + "\\setup.exe\" ";

  PROCESS_INFORMATION cancelled = start_process(setup + "/D=" + game);
  HWND wizard = wait_window("Korvamund Setup");
  ASSERT_NE(wizard, nullptr);
  post_click(wizard, wizard_next);
  EXPECT_TRUE(eventually([&] { return item_text(wizard, wizard_next) == "&Install"; }));
  EXPECT_EQ(item_text(wizard, wizard_folder), game);
  post_click(wizard, IDCANCEL);
  EXPECT_EQ(finish_process(&cancelled), 65);
  EXPECT_FALSE(hklm_key_exists(app_paths_key));
  EXPECT_FALSE(dir_exists(game));

  ASSERT_EQ(run_and_wait(setup + "/S /D=" + game), 0);
  PROCESS_INFORMATION declined = start_process("\"" + game + "\\uninstall.exe\"");
  HWND question = wait_window("Korvamund Uninstall", game.c_str());
  ASSERT_NE(question, nullptr);
  post_click(question, IDNO);
  EXPECT_EQ(finish_process(&declined), 1);
  EXPECT_EQ(hklm_string(app_paths_key, "Path"), game);
  EXPECT_TRUE(file_exists(game + "\\uninstall.exe"));
  EXPECT_EQ(run_and_wait("\"" + game + "\\uninstall.exe\" /S"), 0);
  remove_tree(root);
}

TEST(Dialogs, DirectXSetupSaysDirectXIsPresentAndEnds) {
  PROCESS_INFORMATION dxsetup = start_process("\"" + bin_dir() + "\\dxsetup.exe\"");
  HWND box = wait_window("DirectX Setup", "already present");
  ASSERT_NE(box, nullptr);
  post_click(box, IDOK);
  EXPECT_EQ(finish_process(&dxsetup), 0);
}
