// The detection program on this machine, started as the menu starts it.
#include <cpuid.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "profile_reader.h"
#include "renderer_profile.h"
#include "win_helpers.h"

namespace {

void expect_profile_of_this_machine(const std::string& text) {
  parsed_profile profile = read_profile(text);
  EXPECT_TRUE(profile.crlf_everywhere);
  ASSERT_EQ(profile.lines.size(), 9u) << text;  // nothing of an older, longer file is left
  EXPECT_EQ(profile.lines[0], profile_header);
  EXPECT_EQ(profile.num_drivers, 7);
  ASSERT_EQ(profile.drivers.size(), 7u);
  EXPECT_EQ(profile.state_of("RAMP"), "PRESENT");

  unsigned int eax, ebx, ecx, edx, vendor[3];
  ASSERT_TRUE(__get_cpuid(0, &eax, &vendor[0], &vendor[2], &vendor[1]));  // EBX, EDX, ECX spell it
  const std::string vendor_text(reinterpret_cast<const char*>(vendor), sizeof vendor);
  ASSERT_TRUE(__get_cpuid(1, &eax, &ebx, &ecx, &edx));
  EXPECT_EQ(profile.state_of("MMX"), (edx & bit_MMX) ? "PRESENT" : "ABSENT");
  EXPECT_EQ(profile.state_of("PENTIUM_RENDERER"), vendor_text == "GenuineIntel" ? "PRESENT" : "ABSENT");
  EXPECT_EQ(profile.state_of("K6_RENDERER"), vendor_text == "AuthenticAMD" ? "PRESENT" : "ABSENT");
  for (const char* key : {"PRIMARY_HAL", "SECONDARY_HAL", "GLIDE"}) {
    std::string state = profile.state_of(key);
    EXPECT_TRUE(state == "PRESENT" || state == "MAYBEPRESENT" || state == "ABSENT") << key << " " << state;
  }
}

class DetectionProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fresh_temp_dir("mprofile");  // its name has a blank
    result_ = dir_ + "\\mdrivers.dat";
  }
  void TearDown() override { remove_tree(dir_); }
  std::string program() const { return bin_dir() + "\\mprofile.exe"; }
  std::string dir_, result_;
};

}  // namespace

TEST_F(DetectionProgram, ReplacesTheResultWholeBeforeWinExecReturnsQuotedOrNot) {
  std::string copy = dir_ + "\\mprofile.exe";
  ASSERT_TRUE(CopyFileA(program().c_str(), copy.c_str(), FALSE));
  const std::string stale = "old header\r\nNUM_DRIVERS 1\r\nGLIDE PRESENT 0\r\n" + std::string(8000, 'x');
  ASSERT_TRUE(write_file(result_, stale));
  ASSERT_EQ(run_and_wait("\"" + copy + "\" \"" + result_ + "\""), 0);
  expect_profile_of_this_machine(read_file(result_));

  // Unquoted paths with blanks. The menu reads the file as soon as WinExec returns, which
  // waits for the program only in a process that has user32.
  ASSERT_TRUE(write_file(result_, stale));
  ASSERT_NE(GetDesktopWindow(), nullptr);
  ASSERT_GE(WinExec((copy + " " + result_).c_str(), SW_RESTORE), 32u);
  expect_profile_of_this_machine(read_file(result_));
  EXPECT_EQ(entry_count(dir_), 2) << "a temporary file was left";
}

TEST_F(DetectionProgram, NoArgumentOrNoFolderWritesNothing) {
  EXPECT_EQ(run_and_wait("\"" + program() + "\"    "), 2);
  std::string missing = dir_ + "\\no such folder\\mdrivers.dat";
  EXPECT_EQ(run_and_wait("\"" + program() + "\" \"" + missing + "\""), 1);
  std::string huge = dir_ + "\\" + std::string(400, 'm') + ".dat";
  EXPECT_EQ(run_and_wait("\"" + program() + "\" " + huge), 2);
  EXPECT_EQ(entry_count(dir_), 0);
}
