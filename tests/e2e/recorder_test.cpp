// The stand-in itself: what it records must read back exactly as it was started, and as
// the detection program it must leave its file before it ends.
#include "harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Starts a stand-in with exactly this command line and waits for it to end.
bool run_stand_in(const std::string& exe_path, const std::string& command_line, const std::string& current_dir) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::vector<char> writable(command_line.begin(), command_line.end());
  writable.push_back('\0');
  if (!CreateProcessA(exe_path.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr, current_dir.c_str(),
                      &startup, &info)) {
    return false;
  }
  bool ended = WaitForSingleObject(info.hProcess, default_timeout_ms) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(info.hProcess, 1);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return ended;
}

class recorder_test : public e2e_test {};

TEST_F(recorder_test, records_read_back_exactly_one_per_start) {
  std::string folder = join_path(scratch_dir, "Game Dir");
  std::string exe = join_path(folder, "KORV3DFX.EXE");
  ASSERT_TRUE(install_stand_in(exe));
  // Separators, escapes and quotes inside the command line must survive the log.
  const std::string command_lines[] = {
      "\"" + exe + "\" -anf",
      "korv3dfx.exe\ta%09b 100%\\x \"quoted arg\"",
  };
  for (const std::string& command_line : command_lines) ASSERT_TRUE(run_stand_in(exe, command_line, scratch_dir));

  std::vector<recorder_record> records = read_recorder_log(log_path);
  ASSERT_EQ(records.size(), 2u);
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].name, "KORV3DFX.EXE");
    EXPECT_EQ(records[i].command_line, command_lines[i]);
    EXPECT_EQ(lstrcmpiA(records[i].current_dir.c_str(), scratch_dir.c_str()), 0) << records[i].current_dir;
    EXPECT_EQ(lstrcmpiA(records[i].module_path.c_str(), exe.c_str()), 0) << records[i].module_path;
  }
}

TEST_F(recorder_test, as_mprofile_it_copies_the_prepared_file_to_its_argument) {
  std::string prepared = join_path(scratch_dir, "prepared mdrivers.dat");
  const std::string contents = "NUM_DRIVERS 1\r\nGLIDE PRESENT\r\n";
  ASSERT_TRUE(write_file(prepared, contents));
  SetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", prepared.c_str());
  std::string exe = join_path(scratch_dir, "MProfile.exe");
  ASSERT_TRUE(install_stand_in(exe));

  std::string quoted_target = join_path(scratch_dir, "quoted target.dat");
  std::string plain_target = join_path(scratch_dir, "plain target.dat");
  ASSERT_TRUE(run_stand_in(exe, "\"" + exe + "\" \"" + quoted_target + "\"", scratch_dir));
  ASSERT_TRUE(run_stand_in(exe, "mprofile.exe " + plain_target + "  ", scratch_dir));
  std::string copied;
  EXPECT_TRUE(read_file(quoted_target, &copied));
  EXPECT_EQ(copied, contents);
  EXPECT_TRUE(read_file(plain_target, &copied));
  EXPECT_EQ(copied, contents);
  EXPECT_EQ(read_recorder_log(log_path).size(), 2u);

  // Under any other name it only records.
  std::string other = join_path(scratch_dir, "korv.exe");
  std::string untouched = join_path(scratch_dir, "untouched.dat");
  ASSERT_TRUE(install_stand_in(other));
  ASSERT_TRUE(run_stand_in(other, "korv.exe " + untouched, scratch_dir));
  EXPECT_FALSE(file_exists(untouched));
  EXPECT_EQ(read_recorder_log(log_path).size(), 3u);
}

}  // namespace
