// Reading the detection result, ranking the renderers on offer, the default, and storing
// the choice: the text-file side of driver selection.
#include <filesystem>

#include "driver_file.h"
#include "driver_table.h"
#include "scratch.h"

namespace {

// "|" stands for a CR LF line end in the texts below.
std::string lines(std::string text) {
  for (std::size_t at; (at = text.find('|')) != std::string::npos;) text.replace(at, 1, "\r\n");
  return text;
}

// The renderers not absent, in table order: "MMX:P GLIDE:M".
std::string states() {
  std::string text;
  for (const DriverEntry& entry : g_driver_table)
    if (entry.state != DRIVER_ABSENT)
      text +=
          (text.empty() ? "" : " ") + std::string(entry.key) + (entry.state == DRIVER_PRESENT ? ":P" : ":M");
  return text;
}

std::string offered(const DriverChoice& choice) {
  std::string keys;
  for (int i = 0; i < choice.count; ++i) keys += (i ? " " : "") + std::string(choice.entries[i]->key);
  return keys;
}

class driver_file : public fileio_test {
 protected:
  // Reads text as "mdrivers.dat" after an earlier detection left every renderer present.
  std::string detect(const std::string& text) {
    for (DriverEntry& entry : g_driver_table) entry.state = DRIVER_PRESENT, entry.reserved = 7;
    write_bytes(in_base("mdrivers.dat"), lines(text));
    EXPECT_EQ(read_detected_drivers(dir), 1);
    for (const DriverEntry& entry : g_driver_table) EXPECT_EQ(entry.reserved, 0);
    return states();
  }
};

TEST(detection_command, quoted_only_with_blanks_and_refused_when_too_long) {
  const std::string longest = "C:\\" + std::string(122, 'k') + " x";  // 127 characters
  const struct {
    std::string dir;
    std::size_t capacity;  // exactly this much, so that an overrun is caught
    std::string expected;
  } cases[] = {
      {"D:\\Games\\K", detection_command_capacity, "D:\\Games\\K\\mprofile.exe D:\\Games\\K\\mdrivers.dat"},
      {"C:\\My Korv", detection_command_capacity,
       "\"C:\\My Korv\\mprofile.exe\" \"C:\\My Korv\\mdrivers.dat\""},
      {longest, detection_command_capacity,
       "\"" + longest + "\\mprofile.exe\" \"" + longest + "\\mdrivers.dat\""},
      {"D:\\Games\\K", 40, ""},
      {std::string(600, 'd'), detection_command_capacity, ""},
  };
  for (const auto& c : cases) {
    std::vector<char> out(c.capacity, 'x');
    EXPECT_EQ(format_detection_command(c.dir.c_str(), out.data(), c.capacity), !c.expected.empty());
    EXPECT_EQ(std::string(out.data()), c.expected);
  }
}

TEST_F(driver_file, reads_the_driver_lines_after_the_count_line) {
  const std::string key31 = "GLIDE" + std::string(26, 'X');  // the longest word there is room for
  const std::string state31 = "PRESENT" + std::string(24, 'Y');
  const std::string huge(518, 'Z');  // fills the whole line buffer
  const std::string two_huge_words = huge.substr(0, 300) + " " + huge.substr(0, 200) + " 1|";
  const std::pair<std::string, const char*> cases[] = {
      // clang-format off
      // Lines up to the count line are skipped; its keyword is case-sensitive, must start the
      // line and be followed by a number; text after the number does not matter.
      {"Results|num_drivers 5| NUM_DRIVERS 5|NUM_DRIVERSX 5|NUM_DRIVERS\t1 found|MMX PRESENT 0|", "MMX:P"},
      // A line that ends before the number while agreeing with the pattern ends the search.
      {"header||NUM_DRIVERS 1|MMX PRESENT 0|", ""}, {"header|NUM_DRIVERS  \t|NUM_DRIVERS 1|MMX PRESENT 0|", ""},
      {"MMX PRESENT 0|GLIDE PRESENT 0|", ""}, {"NUM_DRIVERS 0|MMX PRESENT 0|", ""},
      // The count limits the lines read; the end of the file may come first.
      {"NUM_DRIVERS 1|MMX PRESENT 0|RAMP PRESENT 0|", "MMX:P"},
      {"NUM_DRIVERS 9\nGLIDE MAYBEPRESENT 0\nMMX PRESENT 0", "MMX:P GLIDE:M"},
      // A line without key, state and number ends the reading.
      {"NUM_DRIVERS 3|MMX PRESENT 0|RAMP PRESENT|GLIDE PRESENT 0|", "MMX:P"},
      {"NUM_DRIVERS 3|MMX PRESENT 0|RAMP PRESENT zero|GLIDE PRESENT 0|", "MMX:P"},
      {"NUM_DRIVERS 3|MMX PRESENT 0||GLIDE PRESENT 0|", "MMX:P"},
      // Keys match by their beginning in any letter case; a shortened key matches nothing,
      // an unknown one uses up a line of the count, and a later line for a key wins.
      {"NUM_DRIVERS 5|  glide PRESENT 0 x|K6_RENDERER_V2 PRESENT 1|Secondary_Hal PRESENT 0|PRIMARY PRESENT 0|"
       "MM PRESENT 0|", "SECONDARY_HAL:P GLIDE:P K6_RENDERER:P"},
      {"NUM_DRIVERS 2|ATI PRESENT 0|MMX PRESENT 0|RAMP PRESENT 0|", "MMX:P"},
      {"NUM_DRIVERS 2|MMX PRESENT 0|mmx ABSENT 0|", ""}, {"NUM_DRIVERS 2|MMX MAYBEPRESENT 0|MMX PRESENT 0|", "MMX:P"},
      // State words in any letter case; any other word is absent.
      {"NUM_DRIVERS 6|RAMP present 0|MMX MaybePresent 0|GLIDE ABSENT 0|PRIMARY_HAL NO 0|SECONDARY_HAL PRESENTLY 0|"
       "K6_RENDERER MAYBE 0|", "RAMP:P MMX:M"},
      // A word longer than 31 characters names no renderer and leaves its state alone, but
      // uses up a line; a line of such words without a number still ends the reading.
      {"NUM_DRIVERS 2|" + key31 + "X PRESENT 0|MMX PRESENT 0|RAMP PRESENT 0|", "MMX:P"},
      {"NUM_DRIVERS 1|" + key31 + " PRESENT 0|", "GLIDE:P"}, {"NUM_DRIVERS 2|MMX PRESENT 0|MMX " + state31 + " 0|", ""},
      {"NUM_DRIVERS 3|MMX PRESENT 0|MMX " + state31 + "Y 0|RAMP PRESENT 0|", "RAMP:P MMX:P"},
      {"NUM_DRIVERS 3|MMX PRESENT 0|" + two_huge_words + "RAMP PRESENT 0|", "RAMP:P MMX:P"},
      {"NUM_DRIVERS 4|MMX PRESENT 0|" + huge + "|" + two_huge_words + "RAMP PRESENT 0|", "MMX:P"},
      // clang-format on
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(detect(text), expected) << text.substr(0, 100);
  std::filesystem::remove(in_base("mdrivers.dat"));
  EXPECT_EQ(read_detected_drivers(dir), 0);  // states an earlier detection left do not survive
  EXPECT_EQ(states(), "");
}

TEST_F(driver_file, offers_present_and_maybe_present_best_first_and_only_with_one_present) {
  detect(
      "NUM_DRIVERS 7|RAMP PRESENT 0|MMX PRESENT 0|PRIMARY_HAL MAYBEPRESENT 0|SECONDARY_HAL PRESENT 0|"
      "GLIDE PRESENT 0|PENTIUM_RENDERER PRESENT 0|K6_RENDERER MAYBEPRESENT 0|");
  DriverChoice choice;
  ASSERT_EQ(build_driver_choice(&choice), 1);
  EXPECT_EQ(offered(choice), "GLIDE SECONDARY_HAL PRIMARY_HAL K6_RENDERER PENTIUM_RENDERER MMX RAMP");
  EXPECT_EQ(choice.selection, -1);
  release_driver_choice(&choice);
  EXPECT_EQ(choice.entries, nullptr);
  detect("NUM_DRIVERS 2|GLIDE MAYBEPRESENT 0|MMX MAYBEPRESENT 0|");
  EXPECT_EQ(build_driver_choice(&choice) + prepare_driver_choice(dir, 1, &choice), 0);
  EXPECT_EQ(choice.entries, nullptr);
}

TEST_F(driver_file, default_is_the_stored_key_interactively_else_the_best_present) {
  write_bytes(in_base("mdrivers.dat"),
              lines("NUM_DRIVERS 3|RAMP PRESENT 0|MMX PRESENT 0|GLIDE MAYBEPRESENT 0|"));
  const struct {
    const char* korvexe;  // nullptr: no file
    int interactive;
    const char* selected;
  } cases[] = {
      // clang-format off
      // The best present, not the best listed; the stored key in any letter case, even when
      // only maybe present; silent mode ignores it; only a whole first line counts.
      {nullptr, 1, "MMX"}, {nullptr, 0, "MMX"}, {"glide|korv3dfx.exe -ar3|", 1, "GLIDE"}, {"Ramp", 1, "RAMP"},
      {"GLIDE|korv3dfx.exe -ar3|", 0, "MMX"}, {"", 1, "MMX"}, {"|GLIDE|", 1, "MMX"}, {"GLIDE2|", 1, "MMX"},
      {"GLID|", 1, "MMX"}, {"PRIMARY_HAL|", 1, "MMX"},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.korvexe ? c.korvexe : "<no korvexe.dat>") +
                 (c.interactive ? " interactive" : ""));
    std::filesystem::remove(in_base("korvexe.dat"));
    if (c.korvexe) write_bytes(in_base("korvexe.dat"), lines(c.korvexe));
    DriverChoice choice;
    ASSERT_EQ(prepare_driver_choice(dir, c.interactive, &choice), 1);
    EXPECT_EQ(offered(choice), "GLIDE MMX RAMP");
    EXPECT_STREQ(choice.entries[choice.selection]->key, c.selected);
    release_driver_choice(&choice);
  }
}

TEST_F(driver_file, writes_exactly_two_cr_lf_lines) {
  write_bytes(in_base("korvexe.dat"), std::string(100, 'o'));  // a longer file is replaced whole
  ASSERT_EQ(write_driver_file(dir, &g_driver_table[4]), 1);
  EXPECT_EQ(read_bytes(in_base("korvexe.dat")), "GLIDE\r\nkorv3dfx.exe -ar3\r\n");  // 26 bytes
}

}  // namespace
