// The game programs open the window the menu looks for, and end when it is closed.
#include <gtest/gtest.h>

#include <string>

#include "win_helpers.h"

TEST(GamePrograms, EachNameOpensTheGameWindowAndClosesOnRequest) {
  ASSERT_EQ(FindWindowA("Korvamund", "Korvamund"), nullptr) << "a game window is already open";
  std::string dir = fresh_temp_dir("game");
  for (const char* name : {"korv.exe", "korv3dfx.exe", "korvsw.exe", "korvk6.exe", "netlaunc.exe"}) {
    started_process game = start_process("\"" + bin_dir() + "\\" + name + "\" -ar3 -anf", dir);
    ASSERT_TRUE(game.ok) << name;
    HWND window = nullptr;
    EXPECT_TRUE(eventually([&] { return (window = FindWindowA("Korvamund", "Korvamund")) != nullptr; }, 20000)) << name;
    if (window != nullptr) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      EXPECT_EQ(owner, game.info.dwProcessId) << name;
      PostMessageA(window, WM_CLOSE, 0, 0);
    }
    EXPECT_EQ(finish_process(&game), 0) << name;
  }
  remove_tree(dir);
}
