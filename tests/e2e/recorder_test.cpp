// The stand-in itself: what it records must read back exactly as it was started, and as
// the detection program it must leave its file before it ends.
#include "harness.h"

#include <string>
#include <utility>
#include <vector>

namespace {

// Starts a stand-in with exactly this command line and waits for it to end.
bool run_stand_in(const std::string& exe_path, std::string command_line, const std::string& current_dir) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(exe_path.c_str(), &command_line[0], nullptr, nullptr, FALSE, 0, nullptr,
                      current_dir.c_str(), &startup, &info)) {
    return false;
  }
  bool ended = WaitForSingleObject(info.hProcess, default_timeout_ms) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(info.hProcess, 1);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return ended;
}

class recorder_test : public e2e_test {};

TEST_F(recorder_test, records_read_back_exactly_and_only_mprofile_copies_the_prepared_file) {
  const std::string contents = "NUM_DRIVERS 1\r\nGLIDE PRESENT\r\n";
  const std::string prepared = join_path(scratch_dir, "prepared mdrivers.dat");
  ASSERT_TRUE(write_file(prepared, contents));
  SetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", prepared.c_str());
  const std::string mprofile = join_path(scratch_dir, "Game Dir\\MProfile.exe");
  const std::string game = join_path(scratch_dir, "Game Dir\\KORV3DFX.EXE");
  ASSERT_TRUE(install_stand_in(mprofile) && install_stand_in(game));
  const std::string quoted_target = join_path(scratch_dir, "quoted target.dat");
  const std::string plain_target = join_path(scratch_dir, "plain target.dat");
  const std::string untouched = join_path(scratch_dir, "untouched.dat");
  // Separators, escapes and quotes inside the command line must survive the log.
  const std::pair<std::string, std::string> starts[] = {
      {mprofile, "\"" + mprofile + "\" \"" + quoted_target + "\""},
      {mprofile, "mprofile.exe " + plain_target + "  "},
      {game, "korv3dfx.exe\ta%09b 100%\\x \"quoted arg\" " + untouched},
  };
  for (const auto& start : starts) ASSERT_TRUE(run_stand_in(start.first, start.second, scratch_dir));

  std::vector<recorder_record> records = read_recorder_log(log_path);
  ASSERT_EQ(records.size(), 3u);
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].name, i < 2 ? "MProfile.exe" : "KORV3DFX.EXE");
    EXPECT_EQ(records[i].command_line, starts[i].second);
    EXPECT_EQ(lstrcmpiA(records[i].current_dir.c_str(), scratch_dir.c_str()), 0) << records[i].current_dir;
    EXPECT_EQ(lstrcmpiA(records[i].module_path.c_str(), starts[i].first.c_str()), 0)
        << records[i].module_path;
  }
  std::string copied;
  EXPECT_TRUE(read_file(quoted_target, &copied));
  EXPECT_EQ(copied, contents);
  EXPECT_TRUE(read_file(plain_target, &copied));
  EXPECT_EQ(copied, contents);
  // Under any other name it only records.
  EXPECT_FALSE(file_exists(untouched));
}

}  // namespace
