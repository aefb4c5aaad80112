// The play commands' command lines and the fog setting's file.
#include <filesystem>

#include "fog_setting.h"
#include "game_command.h"
#include "scratch.h"

namespace {

// The line built in a buffer of exactly this capacity (so an overrun is caught), or "" with
// the buffer left empty when it does not fit: a partial line could start another program.
std::string game_line(const std::string& dir, const std::string& command, int nofog, int capacity) {
  std::vector<char> out(static_cast<std::size_t>(capacity), 'x');
  const int built = build_game_command(dir.c_str(), command.c_str(), nofog, out.data(), capacity);
  EXPECT_EQ(built, out[0] != '\0') << command;
  return out.data();
}

std::string network_line(const std::string& dir, const char* key, int capacity = command_line_capacity) {
  std::vector<char> out(static_cast<std::size_t>(capacity), 'x');
  const int built = build_network_command(dir.c_str(), key, out.data(), capacity);
  EXPECT_EQ(built, out[0] != '\0') << key;
  return out.data();
}

TEST(launch_text, game_line_joins_directory_and_command_quoting_the_program_only_with_blanks) {
  // clang-format off
  const char* cases[][4] = {  // directory, game command, nofog, line
      {"C:\\Games\\K", "korv3dfx.exe -ar3", "", "C:\\Games\\K\\korv3dfx.exe -ar3"},
      {"C:\\Games\\K", "korv3dfx.exe -ar3", "1", "C:\\Games\\K\\korv3dfx.exe -ar3 -anf"},
      // A trailing backslash is kept as stored, and what follows the program stays as it is.
      {"D:\\K\\", "korv.exe  -arr x", "", "D:\\K\\\\korv.exe  -arr x"},
      {"C:\\Program Files\\K", "korv.exe -arr", "1", "\"C:\\Program Files\\K\\korv.exe\" -arr -anf"},
      {"C:\\Program Files\\K", "korvsw.exe", "", "\"C:\\Program Files\\K\\korvsw.exe\""},
      {"C:\\A\tB", "korv.exe\t-arr", "", "\"C:\\A\tB\\korv.exe\"\t-arr"}};  // a tab splits as a blank does
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(game_line(c[0], c[1], *c[2] == '1', command_line_capacity), c[3]);
  // The longest inputs, a 127-character directory with a blank and a 126-character command,
  // fit exactly with the quotes and the fog option.
  const std::string dir = "C:\\Program Files\\" + std::string(110, 'd'),
                    command = "korv.exe" + std::string(118, 'a');
  EXPECT_EQ(game_line(dir, command, 1, command_line_capacity), "\"" + dir + "\\" + command + "\" -anf");
  EXPECT_EQ(game_line(dir, command, 1, command_line_capacity - 1), "");
  EXPECT_EQ(network_line("C:\\A B", "RAMP", 10), "");
  char untouched = 'x';
  EXPECT_EQ(build_network_command("C:\\K", "RAMP", &untouched, 0) * 2 + (untouched == 'x'), 1);
}

TEST(launch_text, only_the_game_programs_the_driver_table_names_start_as_bare_names_in_any_case) {
  for (auto [command, known] : {std::pair{"korv.exe -arr", 1},
                                {"KORV3DFX.EXE -ar3 -mine", 1},
                                {"korvsw.exe", 1},
                                {"Korvk6.exe\t-ark", 1},
                                {"netlaunc.exe", 0},
                                {"mprofile.exe", 0},
                                {"..\\korv.exe", 0},
                                {"sub\\korv.exe", 0},
                                {"C:korv.exe", 0},
                                {"\"korv.exe\"", 0},
                                {"korv.exe.", 0},
                                {"korv", 0},
                                {"", 0},
                                {" korv.exe", 0}})
    EXPECT_EQ(is_game_program(command), known) << command;
}

TEST(launch_text, network_line_takes_the_option_of_the_first_keyword_the_key_begins_with_in_its_case) {
  // clang-format off
  const char* cases[][2] = {
      {"RAMP", " -arr"}, {"MMX", " -arm"}, {"PRIMARY_HAL", " -ar1"}, {"SECONDARY_HAL", " -ar2"}, {"GLIDE", " -ar3"},
      {"PENTIUM_RENDERER", " -arp"}, {"K6_RENDERER", " -ark"}, {"GLIDE2", " -ar3"}, {"MMXPRIMARY_HAL", " -arm"},
      {"glide", ""}, {"GLID", ""}, {"PRIMARY", ""}, {"ATI", ""}, {"", ""}, {" GLIDE", ""}};
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(network_line("C:\\Games\\K", c[0]), std::string("C:\\Games\\K\\netlaunc.exe") + c[1]);
  EXPECT_EQ(network_line("C:\\Program Files\\K", "GLIDE"), "\"C:\\Program Files\\K\\netlaunc.exe\" -ar3");
}

using fog_setting = fileio_test;

TEST_F(fog_setting, only_a_first_line_of_nofog_in_any_case_turns_it_on_and_one_line_is_stored) {
  for (auto [content, turns_on] : {std::pair{"NOFOG\r\n", 1},
                                   {"nofog", 1},
                                   {"NoFog\n", 1},
                                   {"NOFOG\rFOG\r\n", 1},
                                   {"FOG\r\n", 0},
                                   {"\r\nNOFOG\r\n", 0},
                                   {"NOFOGX", 0},
                                   {" NOFOG", 0},
                                   {"NOFO", 0},
                                   {"", 0}}) {
    write_bytes(in_base("frontend.dat"), content);
    for (int before : {0, 1}) {
      int nofog = before;
      load_fog_setting(base.c_str(), &nofog);
      EXPECT_EQ(nofog, before | turns_on) << content;  // anything else leaves the flag as it was
    }
  }
  std::filesystem::remove(in_base("frontend.dat"));
  int nofog = 1;
  load_fog_setting(base.c_str(), &nofog);
  EXPECT_EQ(nofog, 1);
  write_bytes(in_base("frontend.dat"), "NOFOG\r\nsomething longer that must not survive\r\n");
  // Only the value 1 means the work-around is on.
  for (auto [value, stored] : {std::pair{0, "FOG\r\n"}, {1, "NOFOG\r\n"}, {2, "FOG\r\n"}}) {
    EXPECT_EQ(store_fog_setting(base.c_str(), value), 1);
    EXPECT_EQ(read_bytes(in_base("frontend.dat")), stored);
  }
}

}  // namespace
