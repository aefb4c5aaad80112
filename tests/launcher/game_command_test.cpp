#include "game_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(GameCommand, JoinsDirectoryAndCommandQuotingTheProgramOnlyWithBlanks) {
  struct {
    const char* dir;
    const char* command;
    int nofog;
    const char* expected;
  } cases[] = {
      {"C:\\Games\\K", "korv3dfx.exe -ar3", 0, "C:\\Games\\K\\korv3dfx.exe -ar3"},
      {"C:\\Games\\K", "korv3dfx.exe -ar3", 1, "C:\\Games\\K\\korv3dfx.exe -ar3 -anf"},
      // A trailing backslash is kept as stored, and what follows the program stays as it is.
      {"D:\\K\\", "korv.exe  -arr x", 0, "D:\\K\\\\korv.exe  -arr x"},
      {"C:\\Program Files\\K", "korv.exe -arr", 1, "\"C:\\Program Files\\K\\korv.exe\" -arr -anf"},
      {"C:\\Program Files\\K", "korvsw.exe", 0, "\"C:\\Program Files\\K\\korvsw.exe\""},
      // A tab splits a command line just as a blank does.
      {"C:\\A\tB", "korv.exe\t-arr", 0, "\"C:\\A\tB\\korv.exe\"\t-arr"},
  };
  for (const auto& c : cases) {
    char out[command_line_capacity];
    EXPECT_EQ(build_game_command(c.dir, c.command, c.nofog, out, command_line_capacity), 1) << c.expected;
    EXPECT_STREQ(out, c.expected);
  }
}

TEST(GameCommand, LongestInputsFitExactlyWithQuotesAndFogOption) {
  // 127-character directory with a blank and a 126-character game command.
  const std::string dir = "C:\\Program Files\\" + std::string(127 - 17, 'd');
  const std::string command = "korv.exe" + std::string(126 - 8, 'a');
  for (int capacity : {command_line_capacity, command_line_capacity - 1}) {
    // Exactly the capacity on the heap, so a write past it is caught by the sanitizer.
    std::vector<char> out(capacity, 'x');
    const bool fits = capacity == command_line_capacity;
    EXPECT_EQ(build_game_command(dir.c_str(), command.c_str(), 1, out.data(), capacity), fits ? 1 : 0);
    // A partial command line could start some other program: the buffer is left empty.
    EXPECT_EQ(std::string(out.data()), fits ? "\"" + dir + "\\" + command + "\" -anf" : "");
  }
  char quoted[10];
  EXPECT_EQ(build_network_command("C:\\A B", "RAMP", quoted, sizeof quoted), 0);
  EXPECT_STREQ(quoted, "");
  char untouched = 'x';
  EXPECT_EQ(build_network_command("C:\\K", "RAMP", &untouched, 0), 0);
  EXPECT_EQ(untouched, 'x');
}

TEST(NetworkCommand, TakesTheOptionOfTheFirstKeywordTheKeyBeginsWithInItsLetterCase) {
  const char* cases[][2] = {
      {"RAMP", " -arr"},
      {"MMX", " -arm"},
      {"PRIMARY_HAL", " -ar1"},
      {"SECONDARY_HAL", " -ar2"},
      {"GLIDE", " -ar3"},
      {"PENTIUM_RENDERER", " -arp"},
      {"K6_RENDERER", " -ark"},
      {"GLIDE2", " -ar3"},
      {"MMXPRIMARY_HAL", " -arm"},
      {"glide", ""},
      {"GLID", ""},
      {"PRIMARY", ""},
      {"ATI", ""},
      {"", ""},
      {" GLIDE", ""},
  };
  for (const auto& c : cases) {
    char out[command_line_capacity];
    ASSERT_EQ(build_network_command("C:\\Games\\K", c[0], out, command_line_capacity), 1) << c[0];
    EXPECT_EQ(std::string(out), std::string("C:\\Games\\K\\netlaunc.exe") + c[1]) << c[0];
  }
  char out[command_line_capacity];
  ASSERT_EQ(build_network_command("C:\\Program Files\\K", "GLIDE", out, command_line_capacity), 1);
  EXPECT_STREQ(out, "\"C:\\Program Files\\K\\netlaunc.exe\" -ar3");
}

}  // namespace
