#include "driver_file.h"
#include "driver_table.h"

#include "scratch_folder_test.h"

#include <cstring>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The renderers not absent, in table order: "MMX:P GLIDE:M".
std::string states() {
  std::string text;
  for (const DriverEntry& entry : g_driver_table) {
    if (entry.state == DRIVER_ABSENT) continue;
    text +=
        (text.empty() ? "" : " ") + std::string(entry.key) + (entry.state == DRIVER_PRESENT ? ":P" : ":M");
  }
  return text;
}

std::vector<std::string> offered_keys(const DriverChoice& choice) {
  std::vector<std::string> keys;
  for (int i = 0; i < choice.count; ++i) keys.push_back(choice.entries[i]->key);
  return keys;
}

class DriverFile : public ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    dir_ = pfdir_new(folder_.string().c_str(), nullptr);
    ASSERT_NE(dir_, nullptr);
  }

  void TearDown() override {
    pfdir_close(dir_);
    ScratchFolderTest::TearDown();
  }

  // Reads bytes as "mdrivers.dat" after an earlier detection left every renderer present.
  std::string detect(const std::string& bytes) {
    for (DriverEntry& entry : g_driver_table) entry.state = DRIVER_PRESENT;
    write("mdrivers.dat", bytes);
    EXPECT_EQ(read_detected_drivers(dir_), 1);
    return states();
  }

  pf_dir* dir_ = nullptr;
};

// The detection command line built in a buffer of exactly that capacity (so an overrun
// is caught), or "<refused>" with the buffer left empty.
std::string detection_command(const std::string& dir, std::size_t capacity) {
  std::vector<char> out(capacity, 'x');
  if (format_detection_command(dir.c_str(), out.data(), capacity) == 1) return out.data();
  return out[0] == '\0' ? "<refused>" : "<refused, buffer not emptied>";
}

TEST(DetectionCommand, QuotedOnlyWithBlanksAndRefusedWhenTooLong) {
  EXPECT_EQ(detection_command("D:\\Games\\K", driver_line_size),
            "D:\\Games\\K\\mprofile.exe D:\\Games\\K\\mdrivers.dat");
  EXPECT_EQ(detection_command("C:\\My Korv", driver_line_size),
            "\"C:\\My Korv\\mprofile.exe\" \"C:\\My Korv\\mdrivers.dat\"");
  const std::string longest = "C:\\" + std::string(122, 'k') + " x";  // 127 characters
  EXPECT_EQ(detection_command(longest, detection_command_capacity),
            "\"" + longest + "\\mprofile.exe\" \"" + longest + "\\mdrivers.dat\"");
  EXPECT_EQ(detection_command("D:\\Games\\K", 40), "<refused>");
  EXPECT_EQ(detection_command(std::string(600, 'd'), driver_line_size), "<refused>");
}

TEST_F(DriverFile, ReadsTheDriverLinesAfterTheCountLine) {
  const std::string key31 = "GLIDE" + std::string(26, 'X');  // the longest word there is room for
  const std::string key32 = key31 + "X";                     // would match GLIDE if cut short
  const std::string state31 = "PRESENT" + std::string(24, 'Y');
  const std::string huge(518, 'Z');  // fills the whole line buffer
  const std::string two_huge_words = huge.substr(0, 300) + " " + huge.substr(0, 200) + " 1\r\n";
  struct {
    std::string text;
    const char* states;
  } cases[] = {
      // Lines up to the count line are skipped; its keyword is case-sensitive, must start
      // the line and be followed by a number; text after the number does not matter.
      {"Renderer results\r\nnum_drivers 5\r\n NUM_DRIVERS 5\r\nNUM_DRIVERSX 5\r\nNUM_DRIVERS\t1 "
       "found\r\n"
       "MMX PRESENT 0\r\n",
       "MMX:P"},
      // A line that ends before the number while agreeing with the pattern ends the search.
      {"header\r\n\r\nNUM_DRIVERS 1\r\nMMX PRESENT 0\r\n", ""},
      {"header\r\nNUM_DRIVERS  \t\r\nNUM_DRIVERS 1\r\nMMX PRESENT 0\r\n", ""},
      {"MMX PRESENT 0\r\nGLIDE PRESENT 0\r\n", ""},
      {"NUM_DRIVERS 0\r\nMMX PRESENT 0\r\n", ""},
      // The count limits the lines read; the end of the file comes first here.
      {"NUM_DRIVERS 1\r\nMMX PRESENT 0\r\nRAMP PRESENT 0\r\n", "MMX:P"},
      {"NUM_DRIVERS 9\nGLIDE MAYBEPRESENT 0\nMMX PRESENT 0", "MMX:P GLIDE:M"},
      // A line without key, state and number ends the reading.
      {"NUM_DRIVERS 3\r\nMMX PRESENT 0\r\nRAMP PRESENT\r\nGLIDE PRESENT 0\r\n", "MMX:P"},
      {"NUM_DRIVERS 3\r\nMMX PRESENT 0\r\nRAMP PRESENT zero\r\nGLIDE PRESENT 0\r\n", "MMX:P"},
      {"NUM_DRIVERS 3\r\nMMX PRESENT 0\r\n\r\nGLIDE PRESENT 0\r\n", "MMX:P"},
      // Keys match by their beginning in any letter case; a shortened key matches nothing.
      {"NUM_DRIVERS 5\r\n  glide PRESENT 0 trailing\r\nK6_RENDERER_V2 PRESENT 1\r\nSecondary_Hal "
       "PRESENT 0\r\n"
       "PRIMARY PRESENT 0\r\nMM PRESENT 0\r\n",
       "SECONDARY_HAL:P GLIDE:P K6_RENDERER:P"},
      // An unknown key uses up a line of the count.
      {"NUM_DRIVERS 2\r\nATI PRESENT 0\r\nMMX PRESENT 0\r\nRAMP PRESENT 0\r\n", "MMX:P"},
      // A later line for the same key wins.
      {"NUM_DRIVERS 2\r\nMMX PRESENT 0\r\nmmx ABSENT 0\r\n", ""},
      {"NUM_DRIVERS 2\r\nMMX MAYBEPRESENT 0\r\nMMX PRESENT 0\r\n", "MMX:P"},
      // State words in any letter case; any other word is absent.
      {"NUM_DRIVERS 6\r\nRAMP present 0\r\nMMX MaybePresent 0\r\nGLIDE ABSENT 0\r\nPRIMARY_HAL NO "
       "0\r\n"
       "SECONDARY_HAL PRESENTLY 0\r\nK6_RENDERER MAYBE 0\r\n",
       "RAMP:P MMX:M"},
      // A word longer than 31 characters names no renderer and leaves its state alone,
      // but uses up a line; a line of such words without a number still ends the reading.
      {"NUM_DRIVERS 2\r\n" + key32 + " PRESENT 0\r\nMMX PRESENT 0\r\nRAMP PRESENT 0\r\n", "MMX:P"},
      {"NUM_DRIVERS 1\r\n" + key31 + " PRESENT 0\r\n", "GLIDE:P"},
      {"NUM_DRIVERS 2\r\nMMX PRESENT 0\r\nMMX " + state31 + " 0\r\n", ""},
      {"NUM_DRIVERS 3\r\nMMX PRESENT 0\r\nMMX " + state31 + "Y 0\r\nRAMP PRESENT 0\r\n", "RAMP:P MMX:P"},
      {"NUM_DRIVERS 3\r\nMMX PRESENT 0\r\n" + two_huge_words + "RAMP PRESENT 0\r\n", "RAMP:P MMX:P"},
      {"NUM_DRIVERS 4\r\nMMX PRESENT 0\r\n" + huge + "\r\n" + two_huge_words + "RAMP PRESENT 0\r\n", "MMX:P"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 120));
    EXPECT_EQ(detect(c.text), c.states);
  }
}

TEST_F(DriverFile, MissingFileLeavesEveryRendererAbsent) {
  // States left by an earlier detection do not survive a failed one.
  for (DriverEntry& entry : g_driver_table) {
    entry.state = DRIVER_PRESENT;
    entry.reserved = 7;
  }
  EXPECT_EQ(read_detected_drivers(dir_), 0);
  EXPECT_EQ(states(), "");
  for (const DriverEntry& entry : g_driver_table) EXPECT_EQ(entry.reserved, 0);
}

TEST_F(DriverFile, OffersPresentAndMaybePresentBestFirstOnlyWithOnePresent) {
  detect(
      "NUM_DRIVERS 7\r\nRAMP PRESENT 0\r\nMMX PRESENT 0\r\nPRIMARY_HAL MAYBEPRESENT "
      "0\r\nSECONDARY_HAL PRESENT 0\r\n"
      "GLIDE PRESENT 0\r\nPENTIUM_RENDERER PRESENT 0\r\nK6_RENDERER MAYBEPRESENT 0\r\n");
  DriverChoice choice;
  ASSERT_EQ(build_driver_choice(&choice), 1);
  EXPECT_EQ(offered_keys(choice),
            (std::vector<std::string>{"GLIDE", "SECONDARY_HAL", "PRIMARY_HAL", "K6_RENDERER",
                                      "PENTIUM_RENDERER", "MMX", "RAMP"}));
  EXPECT_EQ(choice.selection, -1);
  release_driver_choice(&choice);
  EXPECT_EQ(choice.entries, nullptr);

  detect("NUM_DRIVERS 2\r\nGLIDE MAYBEPRESENT 0\r\nMMX MAYBEPRESENT 0\r\n");
  EXPECT_EQ(build_driver_choice(&choice), 0);
  EXPECT_EQ(choice.entries, nullptr);
  EXPECT_EQ(prepare_driver_choice(dir_, 1, &choice), 0);
  EXPECT_EQ(prepare_driver_choice(dir_, 0, &choice), 0);
}

TEST_F(DriverFile, DefaultIsTheStoredKeyInteractivelyElseTheBestPresent) {
  write("mdrivers.dat", "NUM_DRIVERS 3\r\nRAMP PRESENT 0\r\nMMX PRESENT 0\r\nGLIDE MAYBEPRESENT 0\r\n");
  struct {
    const char* korvexe;  // nullptr: no file
    int interactive;
    const char* selected;
  } cases[] = {
      // Best present, not best listed.
      {nullptr, 1, "MMX"},
      {nullptr, 0, "MMX"},
      // The stored key in any letter case, even when only maybe present; silent mode ignores it.
      {"glide\r\nkorv3dfx.exe -ar3\r\n", 1, "GLIDE"},
      {"Ramp", 1, "RAMP"},
      {"GLIDE\r\nkorv3dfx.exe -ar3\r\n", 0, "MMX"},
      // Only a whole first line naming a renderer on offer counts.
      {"", 1, "MMX"},
      {"\r\nGLIDE\r\n", 1, "MMX"},
      {"GLIDE2\r\n", 1, "MMX"},
      {"GLID\r\n", 1, "MMX"},
      {"PRIMARY_HAL\r\n", 1, "MMX"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.korvexe ? c.korvexe : "<no korvexe.dat>") +
                 (c.interactive ? " interactive" : ""));
    fs::remove(folder_ / "korvexe.dat");
    if (c.korvexe) write("korvexe.dat", c.korvexe);
    DriverChoice choice;
    ASSERT_EQ(prepare_driver_choice(dir_, c.interactive, &choice), 1);
    EXPECT_EQ(offered_keys(choice), (std::vector<std::string>{"GLIDE", "MMX", "RAMP"}));
    EXPECT_STREQ(choice.entries[choice.selection]->key, c.selected);
    release_driver_choice(&choice);
  }
}

TEST_F(DriverFile, WritesExactlyTwoCrLfLines) {
  write("korvexe.dat", std::string(100, 'o'));  // a longer file is replaced whole
  ASSERT_EQ(write_driver_file(dir_, &g_driver_table[4]), 1);
  EXPECT_EQ(read("korvexe.dat"), "GLIDE\r\nkorv3dfx.exe -ar3\r\n");  // 26 bytes
}

}  // namespace
