#include "game_options.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace {

std::string describe(const char* arguments, std::size_t capacity = 2048) {
  std::string out(capacity, '\x7f');
  std::size_t length = describe_game_options(arguments, &out[0], capacity);
  EXPECT_EQ(length, std::strlen(out.c_str()));
  return out.substr(0, length);
}

}  // namespace

TEST(GameOptions, ParsesExactOptionsTheLastRendererCounting) {
  const std::string long_word(500, 'a');
  struct {
    std::string arguments;
    std::array<int, 4> expected;  // renderer, renderer_count, fog_workaround, unknown_count
  } cases[] = {
      {"-arr", {0, 1, 0, 0}},
      {"-ark", {6, 1, 0, 0}},
      {"  -ar3   -anf ", {4, 1, 1, 0}},
      {"-arr -ark", {6, 2, 0, 0}},
      {"-ARR -anfx -ar -x", {-1, 0, 0, 4}},  // no other letter case, no longer or shorter words
      {"", {-1, 0, 0, 0}},
      {long_word + " -arm", {1, 1, 0, 1}},
  };
  for (const auto& c : cases) {
    game_options p = parse_game_options(c.arguments.c_str());
    EXPECT_EQ((std::array<int, 4>{p.renderer, p.renderer_count, p.fog_workaround, p.unknown_count}),
              c.expected)
        << c.arguments.substr(0, 40);
  }
}

TEST(GameOptions, DescribesOneLinePerArgumentCutAtALineEnd) {
  const std::string both = "-arm: renderer Direct3D MMX\r\n-anf: fog work-around on\r\n";
  EXPECT_EQ(describe("-arm -anf"), both);
  EXPECT_EQ(describe("-ar2 bogus"),
            "-ar2: renderer Direct3D secondary hardware\r\nbogus: unknown option, ignored\r\n");
  EXPECT_EQ(describe("-anf"),
            "-anf: fog work-around on\r\nno renderer option: the game would pick its default "
            "renderer\r\n");
  // Room for the first line only: the second is left out whole.
  const std::size_t first_line = both.find("\r\n") + 2;
  EXPECT_EQ(describe("-arm -anf", first_line + 5), both.substr(0, first_line));
  EXPECT_EQ(describe("-arm -anf", 1), "");
}
