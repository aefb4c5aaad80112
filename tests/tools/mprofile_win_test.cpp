// The detection program on this machine, started as the menu starts it.
#include <cpuid.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "profile_reader.h"
#include "win_helpers.h"

namespace {

void expect_profile_of_this_machine(const std::string& text) {
  parsed_profile profile = read_profile(text);
  EXPECT_TRUE(profile.crlf_everywhere);
  ASSERT_GE(profile.lines.size(), 2u);
  EXPECT_FALSE(profile.lines[0].empty());
  EXPECT_EQ(profile.lines[0].find("NUM_DRIVERS"), std::string::npos) << "a header line comes first";
  EXPECT_EQ(profile.num_drivers, 7);
  ASSERT_EQ(profile.drivers.size(), 7u);
  EXPECT_EQ(profile.state_of("RAMP"), "PRESENT");

  unsigned int eax, ebx, ecx, edx;
  ASSERT_TRUE(__get_cpuid(0, &eax, &ebx, &ecx, &edx));
  char vendor[13];
  std::memcpy(vendor, &ebx, 4);
  std::memcpy(vendor + 4, &edx, 4);
  std::memcpy(vendor + 8, &ecx, 4);
  vendor[12] = '\0';
  ASSERT_TRUE(__get_cpuid(1, &eax, &ebx, &ecx, &edx));
  EXPECT_EQ(profile.state_of("MMX"), (edx & bit_MMX) ? "PRESENT" : "ABSENT");
  EXPECT_EQ(profile.state_of("PENTIUM_RENDERER"), std::strcmp(vendor, "GenuineIntel") == 0 ? "PRESENT" : "ABSENT");
  EXPECT_EQ(profile.state_of("K6_RENDERER"), std::strcmp(vendor, "AuthenticAMD") == 0 ? "PRESENT" : "ABSENT");
  for (const char* key : {"PRIMARY_HAL", "SECONDARY_HAL", "GLIDE"}) {
    std::string state = profile.state_of(key);
    EXPECT_TRUE(state == "PRESENT" || state == "MAYBEPRESENT" || state == "ABSENT") << key << " " << state;
  }
}

class DetectionProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fresh_temp_dir("mprofile");
    result_ = dir_ + "\\mdrivers.dat";
  }
  void TearDown() override { remove_tree(dir_); }
  std::string program() const { return bin_dir() + "\\mprofile.exe"; }
  std::string dir_, result_;
};

}  // namespace

TEST_F(DetectionProgram, WritesTheProfileOfThisMachine) {
  ASSERT_EQ(run_and_wait("\"" + program() + "\" \"" + result_ + "\""), 0);
  expect_profile_of_this_machine(read_file(result_));
  EXPECT_FALSE(file_exists(result_ + ".tmp"));
  EXPECT_EQ(entry_count(dir_), 1);
}

TEST_F(DetectionProgram, UnquotedPathsWithBlanksAsTheMenuGivesThem) {
  std::string copy = dir_ + "\\mprofile.exe";
  ASSERT_TRUE(CopyFileA(program().c_str(), copy.c_str(), FALSE));
  ASSERT_NE(dir_.find(' '), std::string::npos);
  ASSERT_EQ(run_and_wait(copy + " " + result_), 0);
  expect_profile_of_this_machine(read_file(result_));
}

TEST_F(DetectionProgram, ReplacesAnOlderLongerFileWhole) {
  ASSERT_TRUE(write_file(result_, "old header\r\nNUM_DRIVERS 1\r\nGLIDE PRESENT 0\r\n" + std::string(8000, 'x')));
  ASSERT_EQ(run_and_wait("\"" + program() + "\" " + result_), 0);
  std::string text = read_file(result_);
  EXPECT_EQ(text.find('x'), std::string::npos);
  EXPECT_EQ(text.find("old header"), std::string::npos);
  expect_profile_of_this_machine(text);
}

// The menu reads the file as soon as WinExec returns, from a process that has user32.
TEST_F(DetectionProgram, FileIsCompleteWhenWinExecReturns) {
  ASSERT_NE(GetDesktopWindow(), nullptr);
  ASSERT_TRUE(write_file(result_, "stale\r\n"));
  std::string command = program() + " " + result_;
  ASSERT_GE(WinExec(command.c_str(), SW_RESTORE), 32u);
  expect_profile_of_this_machine(read_file(result_));
}

TEST_F(DetectionProgram, NoArgumentOrNoFolderWritesNothing) {
  EXPECT_EQ(run_and_wait("\"" + program() + "\""), 2);
  EXPECT_EQ(run_and_wait("\"" + program() + "\"    "), 2);
  std::string missing = dir_ + "\\no such folder\\mdrivers.dat";
  EXPECT_EQ(run_and_wait("\"" + program() + "\" \"" + missing + "\""), 1);
  EXPECT_FALSE(file_exists(missing));
  std::string huge = dir_ + "\\" + std::string(400, 'm') + ".dat";
  EXPECT_EQ(run_and_wait("\"" + program() + "\" " + huge), 2);
  EXPECT_EQ(entry_count(dir_), 0);
}
