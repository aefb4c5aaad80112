#include "command_line.h"

#include <gtest/gtest.h>

#include <string>

TEST(SkipProgramName, QuotedAndUnquotedNames) {
  EXPECT_STREQ(skip_program_name("prog.exe a b"), "a b");
  EXPECT_STREQ(skip_program_name("  \"C:\\Program Files\\prog.exe\"   \"x y\""), "\"x y\"");
  EXPECT_STREQ(skip_program_name("prog.exe"), "");
  EXPECT_STREQ(skip_program_name("\"unterminated quote"), "");
  EXPECT_STREQ(skip_program_name(""), "");
}

TEST(SkipKnownProgram, UnquotedPathWithBlanks) {
  const char* module = "C:\\Games\\My Game\\mprofile.exe";
  EXPECT_STREQ(skip_known_program("C:\\Games\\My Game\\mprofile.exe C:\\Games\\My Game\\mdrivers.dat", module),
               "C:\\Games\\My Game\\mdrivers.dat");
  // Letter case of the path may differ from the module's.
  EXPECT_STREQ(skip_known_program("c:\\games\\my game\\MPROFILE.EXE x", module), "x");
  // A quoted start is not the bare module path: the ordinary rule applies.
  EXPECT_STREQ(skip_known_program("\"C:\\Games\\My Game\\mprofile.exe\" x", module), "x");
  // The module path must be followed by a blank or the end, not more name.
  EXPECT_STREQ(skip_known_program("C:\\Games\\My Game\\mprofile.exe2 x", module), "Game\\mprofile.exe2 x");
  EXPECT_STREQ(skip_known_program("short a", ""), "a");
}

TEST(NextArgument, SplitsAndUnquotes) {
  const char* cursor = "  -arr \"two words\" x\"y z\"w  ";
  char word[32];
  ASSERT_EQ(next_argument(&cursor, word, sizeof word), 1);
  EXPECT_STREQ(word, "-arr");
  ASSERT_EQ(next_argument(&cursor, word, sizeof word), 1);
  EXPECT_STREQ(word, "two words");
  ASSERT_EQ(next_argument(&cursor, word, sizeof word), 1);
  EXPECT_STREQ(word, "xy zw");
  EXPECT_EQ(next_argument(&cursor, word, sizeof word), 0);
  EXPECT_EQ(next_argument(&cursor, word, sizeof word), 0);
}

TEST(NextArgument, TooLongIsReportedAndSkipped) {
  std::string input = std::string(100, 'a') + " next";
  const char* cursor = input.c_str();
  char word[8];
  EXPECT_EQ(next_argument(&cursor, word, sizeof word), -1);
  EXPECT_STREQ(word, "");
  ASSERT_EQ(next_argument(&cursor, word, sizeof word), 1);
  EXPECT_STREQ(word, "next");
  // Exactly capacity - 1 characters fit.
  const char* exact = "1234567";
  EXPECT_EQ(next_argument(&exact, word, sizeof word), 1);
  EXPECT_STREQ(word, "1234567");
}

TEST(RestAsPath, KeepsInnerBlanksAndDropsOuterQuotes) {
  char path[64];
  ASSERT_EQ(rest_as_path("  C:\\My Games\\md.dat  ", path, sizeof path), 1);
  EXPECT_STREQ(path, "C:\\My Games\\md.dat");
  ASSERT_EQ(rest_as_path("\"C:\\My Games\\md.dat\"", path, sizeof path), 1);
  EXPECT_STREQ(path, "C:\\My Games\\md.dat");
  EXPECT_EQ(rest_as_path("   ", path, sizeof path), 0);
  EXPECT_EQ(rest_as_path("\"\"", path, sizeof path), 0);
  EXPECT_STREQ(path, "");
}

TEST(RestAsPath, TooLongLeavesEmpty) {
  char path[8];
  EXPECT_EQ(rest_as_path("12345678", path, sizeof path), 0);
  EXPECT_STREQ(path, "");
  EXPECT_EQ(rest_as_path("1234567", path, sizeof path), 1);
  EXPECT_STREQ(path, "1234567");
}
