// The installer and uninstaller in silent mode: their effects on disk and in the registry.
#include <gtest/gtest.h>

#include <string>

#include "install_ops.h"
#include "install_plan.h"
#include "win_helpers.h"

namespace {

void delete_keys() {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, app_paths_key);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, uninstall_key);
}

class SilentInstall : public ::testing::Test {
 protected:
  void SetUp() override {
    delete_keys();
    root_ = fresh_temp_dir("install");
    game_ = root_ + "\\Game Folder";
  }
  void TearDown() override {
    delete_keys();
    remove_tree(root_);
  }

  static int setup(const std::string& switches, const std::string& program = bin_dir() + "\\setup.exe") {
    return run_and_wait("\"" + program + "\" " + switches);
  }

  // Runs the installed uninstaller and waits until its clean-up copy has removed the rest.
  static int uninstall(const std::string& dir) {
    return run_and_wait("\"" + dir + "\\uninstall.exe\" /S");
  }

  void expect_installed_in(const std::string& dir) {
    for (const char* name : installed_files) {
      std::string target = dir + "\\" + name;
      ASSERT_TRUE(file_exists(target)) << target;
      EXPECT_EQ(read_file(target), read_file(bin_dir() + "\\" + name)) << name;
    }
    EXPECT_EQ(hklm_string(app_paths_key, ""), dir + "\\korv.exe");
    EXPECT_EQ(hklm_string(app_paths_key, "Path"), dir);
    EXPECT_EQ(hklm_string(uninstall_key, "DisplayName"), "Korvamund");
    std::string uninstaller = dir + "\\uninstall.exe";
    EXPECT_EQ(hklm_string(uninstall_key, "UninstallString"),
              dir.find(' ') != std::string::npos ? "\"" + uninstaller + "\"" : uninstaller);
  }

  std::string root_, game_;
};

}  // namespace

TEST_F(SilentInstall, InstallThenUninstallLeavesNoKeyAndNoFile) {
  ASSERT_EQ(setup("/S /D=" + game_), INSTALL_OK);
  expect_installed_in(game_);
  // Files the menu and the detection program write go too.
  for (const char* name : game_data_files) ASSERT_TRUE(write_file(game_ + "\\" + name, "data\r\n"));

  ASSERT_EQ(uninstall(game_), 0);
  EXPECT_FALSE(hklm_key_exists(app_paths_key));
  EXPECT_FALSE(hklm_key_exists(uninstall_key));
  EXPECT_TRUE(eventually([&] { return !dir_exists(game_); })) << entry_count(game_) << " entries left";
  // The uninstaller's copy in %TEMP% clears away earlier copies; only the latest waits.
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  WIN32_FIND_DATAA found;
  int copies = 0;
  HANDLE search = FindFirstFileA((std::string(temp) + "korvamund-uninstall-*.exe").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do ++copies;
    while (FindNextFileA(search, &found));
    FindClose(search);
  }
  EXPECT_LE(copies, 1);
}

TEST_F(SilentInstall, QuotedFolderWithoutBlanksAndTrailingSeparator) {
  std::string plain = root_ + "\\plain";
  ASSERT_EQ(setup("/S /D=\"" + plain + "\\\""), INSTALL_OK);
  expect_installed_in(plain);
  ASSERT_EQ(uninstall(plain), 0);
  EXPECT_TRUE(eventually([&] { return !dir_exists(plain); }));
}

TEST_F(SilentInstall, UninstallKeepsFilesTheGameDidNotMake) {
  ASSERT_EQ(setup("/S /D=" + game_), INSTALL_OK);
  ASSERT_TRUE(write_file(game_ + "\\my notes.txt", "keep me"));
  ASSERT_EQ(uninstall(game_), 0);
  EXPECT_FALSE(hklm_key_exists(app_paths_key));
  EXPECT_FALSE(hklm_key_exists(uninstall_key));
  EXPECT_TRUE(eventually([&] { return !file_exists(game_ + "\\uninstall.exe"); }));
  Sleep(200);
  EXPECT_TRUE(dir_exists(game_));
  EXPECT_EQ(entry_count(game_), 1);
  EXPECT_EQ(read_file(game_ + "\\my notes.txt"), "keep me");
}

TEST_F(SilentInstall, UninstallLeavesTheRegistrationOfAnotherInstallation) {
  std::string other = root_ + "\\Other";
  ASSERT_EQ(setup("/S /D=" + game_), INSTALL_OK);
  ASSERT_EQ(setup("/S /D=" + other), INSTALL_OK);
  ASSERT_EQ(uninstall(game_), 0);
  EXPECT_TRUE(eventually([&] { return !dir_exists(game_); }));
  expect_installed_in(other);
}

TEST_F(SilentInstall, ReadOnlyCdFilesInstallWritableAndReinstallOverThem) {
  std::string cd = root_ + "\\cd";
  ASSERT_TRUE(CreateDirectoryA(cd.c_str(), nullptr));
  for (const char* name : {"setup.exe", "korv.exe", "korv3dfx.exe", "korvsw.exe", "korvk6.exe", "netlaunc.exe",
                           "mprofile.exe", "uninstall.exe"}) {
    std::string copy = cd + "\\" + name;
    ASSERT_TRUE(CopyFileA((bin_dir() + "\\" + name).c_str(), copy.c_str(), FALSE));
    if (std::string(name) != "setup.exe") SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_READONLY);
  }
  ASSERT_EQ(setup("/S /D=" + game_, cd + "\\setup.exe"), INSTALL_OK);
  EXPECT_FALSE(GetFileAttributesA((game_ + "\\korv.exe").c_str()) & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA((game_ + "\\korvk6.exe").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_EQ(setup("/S /D=" + game_, cd + "\\setup.exe"), INSTALL_OK);
  expect_installed_in(game_);
  for (const char* name : installed_files) SetFileAttributesA((cd + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(SilentInstall, RefusedFolderChangesNothing) {
  EXPECT_EQ(setup("/S /D=Games\\Relative"), INSTALL_BAD_DIR);
  EXPECT_EQ(setup("/S /D=C:\\"), INSTALL_BAD_DIR);
  EXPECT_EQ(setup("/S /D=" + root_ + "\\bad?name"), INSTALL_BAD_DIR);
  EXPECT_EQ(setup("/S /D=" + root_ + "\\" + std::string(130, 'k')), INSTALL_BAD_DIR);
  EXPECT_EQ(setup("/S /X"), 64);
  EXPECT_FALSE(hklm_key_exists(app_paths_key));
  EXPECT_FALSE(hklm_key_exists(uninstall_key));
  EXPECT_EQ(entry_count(root_), 0);
}

TEST_F(SilentInstall, MissingProgramOnTheCdChangesNothing) {
  std::string cd = root_ + "\\cd";
  ASSERT_TRUE(CreateDirectoryA(cd.c_str(), nullptr));
  for (const char* name : installed_files) {
    if (std::string(name) == "netlaunc.exe") continue;
    ASSERT_TRUE(CopyFileA((bin_dir() + "\\" + name).c_str(), (cd + "\\" + name).c_str(), FALSE));
  }
  ASSERT_TRUE(CopyFileA((bin_dir() + "\\setup.exe").c_str(), (cd + "\\setup.exe").c_str(), FALSE));
  EXPECT_EQ(setup("/S /D=" + game_, cd + "\\setup.exe"), INSTALL_SOURCE_MISSING);
  EXPECT_FALSE(dir_exists(game_));
  EXPECT_FALSE(hklm_key_exists(app_paths_key));
  EXPECT_FALSE(hklm_key_exists(uninstall_key));
}

TEST_F(SilentInstall, FailedCopyIsUndone) {
  std::string nested = game_ + "\\deeper";
  ASSERT_TRUE(CreateDirectoryA(game_.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(nested.c_str(), nullptr));
  std::string blocked = nested + "\\korvsw.exe";
  ASSERT_TRUE(write_file(blocked, "in use"));
  HANDLE held = CreateFileA(blocked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  int status = setup("/S /D=" + nested);
  CloseHandle(held);
  EXPECT_EQ(status, INSTALL_COPY_FAILED);
  // The files copied before the failure are gone; the folders it did not make stay.
  EXPECT_FALSE(file_exists(nested + "\\korv.exe"));
  EXPECT_FALSE(file_exists(nested + "\\korv3dfx.exe"));
  EXPECT_TRUE(dir_exists(nested));
  EXPECT_FALSE(hklm_key_exists(app_paths_key));
  EXPECT_FALSE(hklm_key_exists(uninstall_key));
}

TEST_F(SilentInstall, MakesMissingParentsAndRemovesOnlyTheInstallFolder) {
  std::string made = root_ + "\\made\\by setup";
  ASSERT_EQ(setup("/S /D=" + made), INSTALL_OK);
  expect_installed_in(made);
  ASSERT_EQ(uninstall(made), 0);
  EXPECT_TRUE(eventually([&] { return !dir_exists(made); }));
  EXPECT_TRUE(dir_exists(root_ + "\\made"));
}

TEST(RegisteredDir, ReadsThePathValue) {
  delete_keys();
  char dir[260];
  EXPECT_EQ(read_registered_dir(dir, sizeof dir), 0);
  EXPECT_STREQ(dir, "");
  std::string root = fresh_temp_dir("registered");
  std::string game = root + "\\Game";
  ASSERT_EQ(run_and_wait("\"" + bin_dir() + "\\setup.exe\" /S /D=" + game), INSTALL_OK);
  ASSERT_EQ(read_registered_dir(dir, sizeof dir), 1);
  EXPECT_EQ(std::string(dir), game);
  EXPECT_EQ(unregister_game((root + "\\elsewhere").c_str()), 0);
  EXPECT_EQ(unregister_game(game.c_str()), 2);
  EXPECT_FALSE(hklm_key_exists(app_paths_key));
  EXPECT_EQ(remove_game_files(game.c_str(), nullptr), 0);
  EXPECT_EQ(entry_count(game), 0);
  remove_tree(root);
}
