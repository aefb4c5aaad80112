#include "command_line.h"

#include <gtest/gtest.h>

#include <string>

TEST(CommandLine, SkipsTheProgramName) {
  const char* module = "C:\\Games\\My Game\\mprofile.exe";
  struct {
    const char* line;
    const char* module;  // nullptr: skip_program_name
    const char* rest;
  } cases[] = {
      {"prog.exe a b", nullptr, "a b"},
      {"  \"C:\\Program Files\\prog.exe\"   \"x y\"", nullptr, "\"x y\""},
      {"prog.exe", nullptr, ""},
      {"\"unterminated quote", nullptr, ""},
      // The program's own path may come unquoted with blanks, in any letter case.
      {"C:\\Games\\My Game\\mprofile.exe C:\\Games\\My Game\\mdrivers.dat", module,
       "C:\\Games\\My Game\\mdrivers.dat"},
      {"c:\\games\\my game\\MPROFILE.EXE x", module, "x"},
      {"\"C:\\Games\\My Game\\mprofile.exe\" x", module, "x"},
      // It must be followed by a blank or the end, not more name.
      {"C:\\Games\\My Game\\mprofile.exe2 x", module, "Game\\mprofile.exe2 x"},
      {"short a", "", "a"},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(c.module ? skip_known_program(c.line, c.module) : skip_program_name(c.line), c.rest)
        << c.line;
  }
}

TEST(CommandLine, NextArgumentUnquotesAndReportsWhatDoesNotFit) {
  const std::string input = "  -arr \"a b\" x\"y z\"w " + std::string(100, 'a') + " 1234567  ";
  const char* cursor = input.c_str();
  char word[8];
  for (const char* expected : {"-arr", "a b", "xy zw"}) {
    EXPECT_EQ(next_argument(&cursor, word, sizeof word), 1);
    EXPECT_STREQ(word, expected);
  }
  EXPECT_EQ(next_argument(&cursor, word, sizeof word), -1);  // skipped, and the next one follows
  EXPECT_STREQ(word, "");
  EXPECT_EQ(next_argument(&cursor, word, sizeof word), 1);  // exactly capacity - 1 characters fit
  EXPECT_STREQ(word, "1234567");
  EXPECT_EQ(next_argument(&cursor, word, sizeof word), 0);
  EXPECT_EQ(next_argument(&cursor, word, sizeof word), 0);
}
