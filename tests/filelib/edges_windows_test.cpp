// The library's edges that only Windows shows: a second drive with its own current
// directory.
#include <direct.h>
#include <process.h>

#include <filesystem>

#include "scratch.h"

using edges = fileio_test;

// Needs a second drive E: (the test prefix maps one to a folder).
TEST_F(edges, existence_check_on_another_drive_restores_drives_and_directories) {
  if (!(_getdrives() & (1u << 4))) GTEST_SKIP() << "no drive E:";
  const std::string folder = "E:\\fileio_drive_" + std::to_string(_getpid());
  make_directory(folder + "\\sub");
  make_directory(folder + "\\parked");
  set_current_directory(folder + "\\parked");  // E:'s own current directory
  set_current_directory(start_directory);
  char e_before[300], e_after[300];
  ASSERT_NE(_getdcwd(5, e_before, sizeof e_before), nullptr);
  const int drive_before = _getdrive();

  pf_dir* other = pfdir_new(lower_case(folder + "\\sub").c_str(), nullptr);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(std::string(other->path), lower_case(folder + "\\sub\\"));
  pfdir_close(other);
  EXPECT_EQ(pfdir_new((folder + "\\missing").c_str(), nullptr), nullptr);
  EXPECT_NE(pfpath_new((folder + "\\sub").c_str(), nullptr), nullptr);
  ASSERT_NE(_getdcwd(5, e_after, sizeof e_after), nullptr);
  EXPECT_EQ(_getdrive(), drive_before);
  EXPECT_EQ(current_directory(), start_directory);
  EXPECT_STREQ(e_after, e_before);
  std::error_code error;
  std::filesystem::remove_all(folder, error);
}
