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

bool registered() {
  return hklm_key_exists(app_paths_key) || hklm_key_exists(uninstall_key);
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

  static int uninstall(const std::string& dir) { return run_and_wait("\"" + dir + "\\uninstall.exe\" /S"); }

  // A CD folder with the installer and the programs it copies, one of them perhaps left out.
  std::string make_cd(const std::string& left_out, bool read_only) {
    std::string cd = root_ + "\\cd";
    CreateDirectoryA(cd.c_str(), nullptr);
    EXPECT_TRUE(CopyFileA((bin_dir() + "\\setup.exe").c_str(), (cd + "\\setup.exe").c_str(), FALSE));
    for (std::string name : installed_files) {
      if (name == left_out) continue;
      EXPECT_TRUE(CopyFileA((bin_dir() + "\\" + name).c_str(), (cd + "\\" + name).c_str(), FALSE)) << name;
      if (read_only) SetFileAttributesA((cd + "\\" + name).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    return cd + "\\setup.exe";
  }

  void expect_installed_in(const std::string& dir) {
    for (const char* name : installed_files) {
      EXPECT_EQ(read_file(dir + "\\" + name), read_file(bin_dir() + "\\" + name)) << name;
    }
    EXPECT_EQ(hklm_string(app_paths_key, ""), dir + "\\korv.exe");
    EXPECT_EQ(hklm_string(app_paths_key, "Path"), dir);
    EXPECT_EQ(hklm_string(uninstall_key, "DisplayName"), "Korvamund");
    // Quoted: every test folder has a blank in its name.
    EXPECT_EQ(hklm_string(uninstall_key, "UninstallString"), "\"" + dir + "\\uninstall.exe\"");
  }

  std::string root_, game_;
};

}  // namespace

TEST_F(SilentInstall, InstallThenUninstallLeavesNoKeyAndNoFile) {
  std::string made = root_ + "\\made\\by setup";  // its parent is made too
  ASSERT_EQ(setup("/S /D=" + made), INSTALL_OK);
  expect_installed_in(made);
  // Files the menu and the detection program write go too.
  for (const char* name : game_data_files) ASSERT_TRUE(write_file(made + "\\" + name, "data\r\n"));

  ASSERT_EQ(uninstall(made), 0);
  EXPECT_FALSE(registered());
  EXPECT_TRUE(eventually([&] { return !dir_exists(made); })) << entry_count(made) << " entries left";
  EXPECT_TRUE(dir_exists(root_ + "\\made"));
  // The uninstaller's copy in %TEMP% clears away earlier copies; only the latest waits.
  char temp[MAX_PATH];
  DWORD length = GetTempPathA(sizeof temp, temp);  // ends with "\"
  EXPECT_LE(entry_count(std::string(temp, length - 1), "korvamund-uninstall-*.exe"), 1);
}

TEST_F(SilentInstall, UninstallRemovesOnlyWhatItsInstallationMade) {
  std::string other = root_ + "\\Other";
  char registered_dir[260];
  EXPECT_EQ(read_registered_dir(registered_dir, sizeof registered_dir), 0);
  EXPECT_STREQ(registered_dir, "");
  ASSERT_EQ(setup("/S /D=" + game_), INSTALL_OK);
  ASSERT_EQ(setup("/S /D=" + other), INSTALL_OK);
  // The installer offers the registered directory when it is started again.
  ASSERT_EQ(read_registered_dir(registered_dir, sizeof registered_dir), 1);
  EXPECT_EQ(std::string(registered_dir), other);
  ASSERT_TRUE(write_file(game_ + "\\my notes.txt", "keep me"));
  ASSERT_EQ(uninstall(game_), 0);
  EXPECT_TRUE(eventually([&] { return !file_exists(game_ + "\\uninstall.exe"); }));
  Sleep(200);
  EXPECT_EQ(entry_count(game_), 1);
  EXPECT_EQ(read_file(game_ + "\\my notes.txt"), "keep me");
  expect_installed_in(other);  // the later installation keeps its registration
}

TEST_F(SilentInstall, ReadOnlyCdFilesInstallWritableAndReinstallOverThem) {
  std::string cd_setup = make_cd("", true);
  ASSERT_EQ(setup("/S /D=" + game_, cd_setup), INSTALL_OK);
  EXPECT_FALSE(GetFileAttributesA((game_ + "\\korv.exe").c_str()) & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA((game_ + "\\korvk6.exe").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_EQ(setup("/S /D=" + game_, cd_setup), INSTALL_OK);
  expect_installed_in(game_);
}

TEST_F(SilentInstall, RefusedFolderOrMissingProgramChangesNothing) {
  EXPECT_EQ(setup("/S /D=Games\\Relative"), INSTALL_BAD_DIR);
  EXPECT_EQ(setup("/S /D=" + root_ + "\\" + std::string(130, 'k')), INSTALL_BAD_DIR);
  EXPECT_EQ(setup("/S /X"), 64);
  EXPECT_EQ(setup("/S /D=" + game_, make_cd("netlaunc.exe", false)), INSTALL_SOURCE_MISSING);
  EXPECT_FALSE(registered());
  EXPECT_EQ(entry_count(root_), 1);  // the CD folder
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
  EXPECT_EQ(entry_count(nested), 1);
  EXPECT_FALSE(registered());
}
