#include "game_options.h"

#include <gtest/gtest.h>

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

TEST(ParseGameOptions, EachRendererOption) {
  const char* options[] = {"-arr", "-arm", "-ar1", "-ar2", "-ar3", "-arp", "-ark"};
  for (int i = 0; i < 7; ++i) {
    game_options parsed = parse_game_options(options[i]);
    EXPECT_EQ(parsed.renderer, i) << options[i];
    EXPECT_EQ(parsed.renderer_count, 1);
    EXPECT_EQ(parsed.fog_workaround, 0);
    EXPECT_EQ(parsed.unknown_count, 0);
  }
}

TEST(ParseGameOptions, FogUnknownAndRepeated) {
  game_options parsed = parse_game_options("  -ar3   -anf ");
  EXPECT_EQ(parsed.renderer, 4);
  EXPECT_EQ(parsed.fog_workaround, 1);
  EXPECT_EQ(parsed.unknown_count, 0);

  parsed = parse_game_options("-arr -ark");
  EXPECT_EQ(parsed.renderer, 6);  // the last one counts
  EXPECT_EQ(parsed.renderer_count, 2);

  // Options are exact: no other letter case, no longer words.
  parsed = parse_game_options("-ARR -anfx -ar -x");
  EXPECT_EQ(parsed.renderer, -1);
  EXPECT_EQ(parsed.fog_workaround, 0);
  EXPECT_EQ(parsed.unknown_count, 4);

  parsed = parse_game_options("");
  EXPECT_EQ(parsed.renderer, -1);
  EXPECT_EQ(parsed.unknown_count, 0);

  std::string long_word(500, 'a');
  parsed = parse_game_options((long_word + " -arm").c_str());
  EXPECT_EQ(parsed.unknown_count, 1);
  EXPECT_EQ(parsed.renderer, 1);
}

TEST(DescribeGameOptions, OneLinePerArgument) {
  EXPECT_EQ(describe("-arm -anf"), "-arm: renderer Direct3D MMX\r\n-anf: fog work-around on\r\n");
  EXPECT_EQ(describe("-ar2 bogus"),
            "-ar2: renderer Direct3D secondary hardware\r\nbogus: unknown option, ignored\r\n");
  EXPECT_EQ(describe(""), "no renderer option: the game would pick its default renderer\r\n");
  EXPECT_EQ(describe("-anf"), "-anf: fog work-around on\r\nno renderer option: the game would pick its default renderer\r\n");
}

TEST(DescribeGameOptions, CutAtALineEndWhenFull) {
  std::string full = describe("-arm -anf");
  std::size_t first_line = full.find("\r\n") + 2;
  // Room for the first line only: the second is left out whole.
  EXPECT_EQ(describe("-arm -anf", first_line + 5), full.substr(0, first_line));
  EXPECT_EQ(describe("-arm -anf", 3), "");
  char none[1] = {'x'};
  EXPECT_EQ(describe_game_options("-arm", none, 0), 0u);
  EXPECT_EQ(none[0], 'x');
}
