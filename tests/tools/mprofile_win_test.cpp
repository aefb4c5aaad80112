// The detection program on this machine, started as the menu starts it.
#include <cpuid.h>
#include <gtest/gtest.h>

#include <string>

#include "renderer_probe.h"
#include "win_helpers.h"

namespace {

// What the program must write here: the layout itself is tested natively.
std::string profile_of_this_machine() {
  char text[1024];
  return std::string(text, format_profile(probe_machine(), text, sizeof text));
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

TEST(MachineProbe, ReadsThisMachinesProcessor) {
  unsigned int eax, ebx, ecx, edx, vendor[3];
  ASSERT_TRUE(__get_cpuid(0, &eax, &vendor[0], &vendor[2], &vendor[1]));  // EBX, EDX, ECX spell it
  ASSERT_TRUE(__get_cpuid(1, &eax, &ebx, &ecx, &edx));
  machine_probe probe = probe_machine();
  EXPECT_EQ(probe.cpuid_available, 1);
  EXPECT_EQ(std::string(probe.cpu_vendor), std::string(reinterpret_cast<const char*>(vendor), sizeof vendor));
  EXPECT_EQ(probe.has_mmx, (edx & bit_MMX) ? 1 : 0);
  EXPECT_NE(profile_of_this_machine(), "");
}

TEST_F(DetectionProgram, ReplacesTheResultWholeBeforeWinExecReturnsQuotedOrNot) {
  std::string copy = dir_ + "\\mprofile.exe";
  ASSERT_TRUE(CopyFileA(program().c_str(), copy.c_str(), FALSE));
  const std::string stale = "old header\r\nNUM_DRIVERS 1\r\nGLIDE PRESENT 0\r\n" + std::string(8000, 'x');
  ASSERT_TRUE(write_file(result_, stale));
  ASSERT_EQ(run_and_wait("\"" + copy + "\" \"" + result_ + "\""), 0);
  EXPECT_EQ(read_file(result_), profile_of_this_machine());

  // Unquoted paths with blanks. The menu reads the file as soon as WinExec returns, which
  // waits for the program only in a process that has user32.
  ASSERT_TRUE(write_file(result_, stale));
  ASSERT_NE(GetDesktopWindow(), nullptr);
  ASSERT_GE(WinExec((copy + " " + result_).c_str(), SW_RESTORE), 32u);
  EXPECT_EQ(read_file(result_), profile_of_this_machine());
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
