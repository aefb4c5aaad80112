// Runs fatal_stop_program.exe and answers its message box the way a user would.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "stop_test_support.h"

namespace {

std::string program_beside_this_one(const char* name) {
  char path[MAX_PATH] = "";
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of("\\/") + 1) + name;
}

}  // namespace

TEST(FatalStopBox, ShowsTheReasonAndEndsWithZeroOnceDismissed) {
  const std::string output = testing::TempDir() + "fatal stop output.txt";
  std::remove(output.c_str());
  std::string command =
      "\"" + program_beside_this_one("fatal_stop_program.exe") + "\" \"" + output + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &child));

  HWND box = wait_for_fatal_box(child.dwProcessId);
  EXPECT_NE(box, nullptr);
  if (box != nullptr) {
    EXPECT_EQ(fatal_box_text(box), "pfopen(): out of memory");
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
    // The box comes after the streams are closed.
    EXPECT_EQ(read_file(output), "buffered line");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  }

  DWORD exit_code = 1;
  if (WaitForSingleObject(child.hProcess, 10000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(child.hProcess, &exit_code);
  } else {
    ADD_FAILURE() << "the program did not end after the box was dismissed";
    TerminateProcess(child.hProcess, 1);
    WaitForSingleObject(child.hProcess, 5000);
  }
  EXPECT_EQ(exit_code, 0u);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  std::remove(output.c_str());
}
