// The installer's wizard, the uninstaller's questions and the DirectX message, driven by
// posted clicks as a user would.
#include <gtest/gtest.h>

#include <string>

#include "install_plan.h"
#include "win_helpers.h"

namespace {

constexpr int wizard_next = 103;
constexpr int wizard_folder = 101;

bool next_button_reads(HWND wizard, const char* text) {
  return eventually([&] { return item_text(wizard, wizard_next) == text; });
}

}  // namespace

TEST(Dialogs, WizardInstallsOnlyWhenFinishedAndTheUninstallerAsksFirst) {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, app_paths_key);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, uninstall_key);
  const std::string root = fresh_temp_dir("dialogs");
  const std::string game = root + "\\Korv Game";
  const std::string setup_line = "\"" + bin_dir() + "\\setup.exe\" /D=" + game;

  started_process cancelled = start_process(setup_line);
  HWND wizard = wait_window("Korvamund Setup");
  ASSERT_NE(wizard, nullptr);
  post_click(wizard, wizard_next);
  EXPECT_TRUE(next_button_reads(wizard, "&Install"));
  post_click(wizard, IDCANCEL);
  EXPECT_EQ(finish_process(&cancelled), 65);
  EXPECT_FALSE(hklm_key_exists(app_paths_key));
  EXPECT_FALSE(dir_exists(game));

  started_process setup = start_process(setup_line);
  wizard = wait_window("Korvamund Setup");
  ASSERT_NE(wizard, nullptr);
  post_click(wizard, wizard_next);
  EXPECT_TRUE(next_button_reads(wizard, "&Install"));
  EXPECT_EQ(item_text(wizard, wizard_folder), game);
  post_click(wizard, wizard_next);
  EXPECT_TRUE(next_button_reads(wizard, "&Finish"));
  EXPECT_EQ(hklm_string(app_paths_key, "Path"), game);
  EXPECT_TRUE(file_exists(game + "\\korv.exe"));
  post_click(wizard, wizard_next);
  EXPECT_EQ(finish_process(&setup), 0);

  const std::string uninstaller = "\"" + game + "\\uninstall.exe\"";
  started_process declined = start_process(uninstaller);
  HWND question = wait_window("Korvamund Uninstall", game.c_str());
  ASSERT_NE(question, nullptr);
  post_click(question, IDNO);
  EXPECT_EQ(finish_process(&declined), 1);
  EXPECT_EQ(hklm_string(app_paths_key, "Path"), game);
  EXPECT_TRUE(file_exists(game + "\\korv.exe"));

  started_process accepted = start_process(uninstaller);
  question = wait_window("Korvamund Uninstall", game.c_str());
  ASSERT_NE(question, nullptr);
  post_click(question, IDYES);
  HWND done = wait_window("Korvamund Uninstall", "removed");
  EXPECT_FALSE(hklm_key_exists(app_paths_key));
  EXPECT_FALSE(hklm_key_exists(uninstall_key));
  if (done != nullptr) post_click(done, IDOK);
  EXPECT_EQ(finish_process(&accepted), 0);
  EXPECT_TRUE(eventually([&] { return !dir_exists(game); }));
  remove_tree(root);
}

TEST(Dialogs, DirectXSetupSaysDirectXIsPresentAndEnds) {
  started_process dxsetup = start_process("\"" + bin_dir() + "\\dxsetup.exe\"");
  HWND box = wait_window("DirectX Setup", "already present");
  ASSERT_NE(box, nullptr);
  post_click(box, IDOK);
  EXPECT_EQ(finish_process(&dxsetup), 0);
}
