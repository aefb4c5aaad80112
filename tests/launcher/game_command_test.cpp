#include "game_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string game_line(const char* install_dir, const char* game_command, int nofog) {
  char out[command_line_capacity];
  EXPECT_EQ(build_game_command(install_dir, game_command, nofog, out, command_line_capacity), 1);
  return out;
}

std::string network_line(const char* install_dir, const char* driver_key) {
  char out[command_line_capacity];
  EXPECT_EQ(build_network_command(install_dir, driver_key, out, command_line_capacity), 1);
  return out;
}

TEST(GameCommand, JoinsInstallDirAndGameCommandByteForByte) {
  EXPECT_EQ(game_line("C:\\Games\\K", "korv3dfx.exe -ar3", 0), "C:\\Games\\K\\korv3dfx.exe -ar3");
  EXPECT_EQ(game_line("C:\\Games\\K", "korv3dfx.exe -ar3", 1),
            "C:\\Games\\K\\korv3dfx.exe -ar3 -anf");
  // A trailing backslash is kept as stored, and whatever follows the program stays as it is.
  EXPECT_EQ(game_line("D:\\K\\", "korv.exe  -arr x", 0), "D:\\K\\\\korv.exe  -arr x");
  EXPECT_EQ(game_line("D:\\K", "korv.exe", 1), "D:\\K\\korv.exe -anf");
}

TEST(GameCommand, QuotesOnlyTheProgramPathWhenTheDirectoryHasBlanks) {
  EXPECT_EQ(game_line("C:\\Program Files\\K", "korv.exe -arr", 0),
            "\"C:\\Program Files\\K\\korv.exe\" -arr");
  EXPECT_EQ(game_line("C:\\Program Files\\K", "korv.exe -arr", 1),
            "\"C:\\Program Files\\K\\korv.exe\" -arr -anf");
  EXPECT_EQ(game_line("C:\\Program Files\\K", "korvsw.exe", 0),
            "\"C:\\Program Files\\K\\korvsw.exe\"");
  // A tab splits a command line just as a blank does.
  EXPECT_EQ(game_line("C:\\A\tB", "korv.exe\t-arr", 0), "\"C:\\A\tB\\korv.exe\"\t-arr");
  EXPECT_EQ(network_line("C:\\Program Files\\K", "GLIDE"),
            "\"C:\\Program Files\\K\\netlaunc.exe\" -ar3");
}

TEST(GameCommand, LongestInputsFitWithQuotesAndFogOption) {
  // 127-character directory with a blank and a 126-character game command.
  const std::string dir = "C:\\Program Files\\" + std::string(127 - 17, 'd');
  const std::string command = "korv.exe" + std::string(126 - 8, 'a');
  ASSERT_EQ(dir.size(), 127u);
  ASSERT_EQ(command.size(), 126u);
  const std::string expected = "\"" + dir + "\\" + command + "\" -anf";
  ASSERT_EQ(expected.size() + 1, static_cast<std::size_t>(command_line_capacity));
  // Exactly the capacity on the heap, so a write past it is caught by the sanitizer.
  std::vector<char> out(command_line_capacity);
  ASSERT_EQ(build_game_command(dir.c_str(), command.c_str(), 1, out.data(), command_line_capacity), 1);
  EXPECT_EQ(std::string(out.data()), expected);
}

TEST(GameCommand, RefusesALineThatDoesNotFitAndWritesNothingBeyondTheBuffer) {
  const std::string expected = "C:\\K\\korv.exe -arr -anf";
  std::vector<char> exact(expected.size() + 1);
  ASSERT_EQ(build_game_command("C:\\K", "korv.exe -arr", 1, exact.data(),
                               static_cast<int>(exact.size())), 1);
  EXPECT_EQ(std::string(exact.data()), expected);

  for (std::size_t size = 1; size <= expected.size(); ++size) {
    std::vector<char> out(size, 'x');
    EXPECT_EQ(build_game_command("C:\\K", "korv.exe -arr", 1, out.data(), static_cast<int>(size)), 0)
        << size;
    // A partial command line could start some other program: the buffer is left empty.
    EXPECT_EQ(out[0], '\0') << size;
  }
  std::vector<char> quoted(10);
  EXPECT_EQ(build_network_command("C:\\A B", "RAMP", quoted.data(), 10), 0);
  EXPECT_EQ(quoted[0], '\0');
  char untouched = 'x';
  EXPECT_EQ(build_network_command("C:\\K", "RAMP", &untouched, 0), 0);
  EXPECT_EQ(untouched, 'x');
}

TEST(NetworkCommand, PicksTheOptionByCaseSensitiveKeyPrefix) {
  struct key_case {
    const char* key;
    const char* option;
  };
  const key_case cases[] = {
      {"RAMP", " -arr"},
      {"MMX", " -arm"},
      {"PRIMARY_HAL", " -ar1"},
      {"SECONDARY_HAL", " -ar2"},
      {"GLIDE", " -ar3"},
      {"PENTIUM_RENDERER", " -arp"},
      {"K6_RENDERER", " -ark"},
      // A key that begins with a keyword takes its option.
      {"GLIDE2", " -ar3"},
      {"MMXPRIMARY_HAL", " -arm"},
      // Letter case counts, and a shortened keyword is no match.
      {"glide", ""},
      {"Ramp", ""},
      {"GLID", ""},
      {"PRIMARY", ""},
      {"ATI", ""},
      {"", ""},
      {" GLIDE", ""},
  };
  for (const key_case& c : cases) {
    EXPECT_STREQ(network_renderer_option(c.key), c.option) << c.key;
    EXPECT_EQ(network_line("C:\\Games\\K", c.key), std::string("C:\\Games\\K\\netlaunc.exe") + c.option)
        << c.key;
  }
}

}  // namespace
