// The game programs open the window the menu looks for, and end when it is closed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win_helpers.h"

namespace {

struct started {
  PROCESS_INFORMATION process;
  bool ok;
};

started start_in(const std::string& command_line, const std::string& current_dir) {
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  started result = {};
  result.ok = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, current_dir.c_str(), &startup,
                             &result.process) != 0;
  return result;
}

}  // namespace

TEST(GamePrograms, EachNameOpensTheGameWindowAndClosesOnRequest) {
  ASSERT_EQ(FindWindowA("Korvamund", "Korvamund"), nullptr) << "a game window is already open";
  std::string dir = fresh_temp_dir("game");
  for (const char* name : {"korv.exe", "korv3dfx.exe", "korvsw.exe", "korvk6.exe", "netlaunc.exe"}) {
    started game = start_in("\"" + bin_dir() + "\\" + name + "\" -ar3 -anf", dir);
    ASSERT_TRUE(game.ok) << name;
    HWND window = nullptr;
    EXPECT_TRUE(eventually([&] { return (window = FindWindowA("Korvamund", "Korvamund")) != nullptr; }, 20000)) << name;
    if (window != nullptr) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      EXPECT_EQ(owner, game.process.dwProcessId) << name;
      PostMessageA(window, WM_CLOSE, 0, 0);
    }
    EXPECT_EQ(WaitForSingleObject(game.process.hProcess, 10000), WAIT_OBJECT_0) << name;
    DWORD code = 99;
    GetExitCodeProcess(game.process.hProcess, &code);
    EXPECT_EQ(code, 0u) << name;
    if (code == STILL_ACTIVE) TerminateProcess(game.process.hProcess, 1);
    CloseHandle(game.process.hThread);
    CloseHandle(game.process.hProcess);
  }
  remove_tree(dir);
}
