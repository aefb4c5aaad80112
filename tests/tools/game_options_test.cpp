// The demo game program's reading and description of the options it was started with.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "game_options.h"

TEST(game_options, parses_exact_options_the_last_renderer_counting) {
  const std::string long_word(500, 'a');
  const std::pair<std::string, std::array<int, 4>> cases[] = {
      // renderer, renderers, fog, unknown
      {"-arr", {0, 1, 0, 0}},
      {"-ark", {6, 1, 0, 0}},
      {"  -ar3   -anf ", {4, 1, 1, 0}},
      {"-arr -ark", {6, 2, 0, 0}},
      {"-ARR -anfx -ar -x", {-1, 0, 0, 4}},  // no other letter case, no longer or shorter words
      {"", {-1, 0, 0, 0}},
      {long_word + " -arm", {1, 1, 0, 1}}};
  for (const auto& [arguments, expected] : cases) {
    const game_options p = parse_game_options(arguments.c_str());
    EXPECT_EQ((std::array<int, 4>{p.renderer, p.renderer_count, p.fog_workaround, p.unknown_count}), expected)
        << arguments.substr(0, 40);
  }
}

TEST(game_options, describes_one_line_per_argument_cut_at_a_line_end) {
  auto describe = [](const char* arguments, std::size_t capacity = 2048) {
    std::string out(capacity, '\x7f');
    const std::size_t length = describe_game_options(arguments, &out[0], capacity);
    EXPECT_EQ(length, std::strlen(out.c_str()));
    return out.substr(0, length);
  };
  const std::string both = "-arm: renderer Direct3D MMX\r\n-anf: fog work-around on\r\n";
  EXPECT_EQ(describe("-arm -anf"), both);
  EXPECT_EQ(describe("-ar2 bogus"),
            "-ar2: renderer Direct3D secondary hardware\r\nbogus: unknown option, ignored\r\n");
  EXPECT_EQ(describe("-anf"),
            "-anf: fog work-around on\r\nno renderer option: the game would pick its default renderer\r\n");
  // Room for the first line only: the second is left out whole.
  EXPECT_EQ(describe("-arm -anf", both.find("\r\n") + 7), both.substr(0, both.find("\r\n") + 2));
  EXPECT_EQ(describe("-arm -anf", 1), "");
}
