#include "driver_file.h"
#include "driver_table.h"

#include "filelib/fileio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

int list_length(const list_node* head) {
  int length = 0;
  for (const list_node* node = head->next; node != head; node = node->next) ++length;
  return length;
}

// The state of each table row, by key, for readable failures.
std::string states() {
  std::string text;
  for (const DriverEntry& entry : g_driver_table) {
    if (!text.empty()) text += ' ';
    text += entry.key;
    text += '=';
    text += std::to_string(entry.state);
  }
  return text;
}

// "RAMP=0 MMX=0 ..." with the given keys set to the given states.
std::string states_with(std::vector<std::pair<const char*, int>> set) {
  std::string text;
  for (const DriverEntry& entry : g_driver_table) {
    int state = DRIVER_ABSENT;
    for (const auto& [key, value] : set) {
      if (std::strcmp(key, entry.key) == 0) state = value;
    }
    if (!text.empty()) text += ' ';
    text += entry.key;
    text += '=';
    text += std::to_string(state);
  }
  return text;
}

std::vector<std::string> offered_keys(const DriverChoice& choice) {
  std::vector<std::string> keys;
  for (int i = 0; i < choice.count; ++i) keys.push_back(choice.entries[i]->key);
  return keys;
}

class DriverFile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { fileio_init(); }

  void SetUp() override {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    folder_ = fs::temp_directory_path() / ("korv_drivers_" + std::to_string(stamp));
    fs::create_directories(folder_);
    install_dir_ = folder_.string();
    open_dirs_ = list_length(fileio_dirs);
    dir_ = pfdir_new(install_dir_.c_str(), nullptr);
    ASSERT_NE(dir_, nullptr);
    // States left by an earlier detection must not survive a new one.
    for (DriverEntry& entry : g_driver_table) {
      entry.state = DRIVER_PRESENT;
      entry.reserved = 7;
    }
  }

  void TearDown() override {
    pfdir_close(dir_);
    // Every call closes the files it opened, on every path.
    EXPECT_EQ(list_length(fileio_files), 0);
    EXPECT_EQ(list_length(fileio_dirs), open_dirs_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  void write(const char* name, const std::string& bytes) {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }

  std::string read(const char* name) {
    std::ifstream in(folder_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Reads bytes as "mdrivers.dat" and returns the resulting states.
  std::string detect(const std::string& bytes) {
    write("mdrivers.dat", bytes);
    EXPECT_EQ(read_detected_drivers(dir_), 1);
    return states();
  }

  fs::path folder_;
  std::string install_dir_;
  pf_dir* dir_ = nullptr;
  int open_dirs_ = 0;
};

// ---- the detection command line -----------------------------------------------------

TEST(DetectionCommand, FullPathsUnquotedWithoutBlanks) {
  char out[driver_line_size];
  ASSERT_EQ(format_detection_command("D:\\Games\\K", out, sizeof out), 1);
  EXPECT_STREQ(out, "D:\\Games\\K\\mprofile.exe D:\\Games\\K\\mdrivers.dat");
}

TEST(DetectionCommand, ProgramAndArgumentQuotedWithBlanks) {
  char out[driver_line_size];
  ASSERT_EQ(format_detection_command("C:\\Program Files\\Korv Game", out, sizeof out), 1);
  EXPECT_STREQ(out,
               "\"C:\\Program Files\\Korv Game\\mprofile.exe\" "
               "\"C:\\Program Files\\Korv Game\\mdrivers.dat\"");
}

TEST(DetectionCommand, LongestInstallDirWithBlanksFitsExactly) {
  std::string dir = "C:\\" + std::string(122, 'k') + " x";  // 127 characters
  ASSERT_EQ(dir.size(), 127u);
  char out[detection_command_capacity];
  ASSERT_EQ(format_detection_command(dir.c_str(), out, sizeof out), 1);
  EXPECT_EQ(std::strlen(out), sizeof out - 1);
  EXPECT_EQ(out[0], '"');
  EXPECT_EQ(out[sizeof out - 2], '"');
}

TEST(DetectionCommand, RefusesWhatDoesNotFit) {
  char out[40];
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(format_detection_command("D:\\Games\\K", out, sizeof out), 0);
  EXPECT_STREQ(out, "");
  std::string huge(600, 'd');
  char line[driver_line_size];
  EXPECT_EQ(format_detection_command(huge.c_str(), line, sizeof line), 0);
  EXPECT_STREQ(line, "");
}

// ---- the count line -------------------------------------------------------------------

TEST_F(DriverFile, HeaderLinesBeforeTheCountAreSkipped) {
  EXPECT_EQ(detect("Renderer detection results\r\n"
                   "num_drivers 5\r\n"        // the keyword is case-sensitive
                   " NUM_DRIVERS 5\r\n"       // and must start the line
                   "NUM_DRIVERSX 5\r\n"       // and be followed by a number
                   "NUM_DRIVERS\t1 found\r\n"  // text after the number is ignored
                   "MMX PRESENT 0\r\n"),
            states_with({{"MMX", DRIVER_PRESENT}}));
}

TEST_F(DriverFile, LineEndingBeforeTheNumberEndsTheSearch) {
  // Each of these ends the search although a count line follows.
  for (const char* stopper : {"", "NUM", "NUM_DRIVERS", "NUM_DRIVERS  \t"}) {
    SCOPED_TRACE(std::string("line: \"") + stopper + "\"");
    EXPECT_EQ(detect(std::string("header\r\n") + stopper + "\r\nNUM_DRIVERS 1\r\nMMX PRESENT 0\r\n"),
              states_with({}));
  }
}

TEST_F(DriverFile, NoCountLineOrNoPositiveCountReadsNothing) {
  EXPECT_EQ(detect("MMX PRESENT 0\r\nGLIDE PRESENT 0\r\n"), states_with({}));
  EXPECT_EQ(detect("NUM_DRIVERS 0\r\nMMX PRESENT 0\r\n"), states_with({}));
  EXPECT_EQ(detect("NUM_DRIVERS -2\r\nMMX PRESENT 0\r\n"), states_with({}));
  EXPECT_EQ(detect(""), states_with({}));
}

// ---- driver lines ---------------------------------------------------------------------

TEST_F(DriverFile, CountLimitsTheDriverLines) {
  EXPECT_EQ(detect("NUM_DRIVERS 1\r\nMMX PRESENT 0\r\nRAMP PRESENT 0\r\n"),
            states_with({{"MMX", DRIVER_PRESENT}}));
  // Fewer lines than counted: the file's end ends the reading.
  EXPECT_EQ(detect("NUM_DRIVERS 9\nGLIDE MAYBEPRESENT 0\nMMX PRESENT 0"),
            states_with({{"GLIDE", DRIVER_MAYBEPRESENT}, {"MMX", DRIVER_PRESENT}}));
}

TEST_F(DriverFile, LineWithoutThreeFieldsStopsTheReading) {
  EXPECT_EQ(detect("NUM_DRIVERS 3\r\nMMX PRESENT 0\r\nRAMP PRESENT\r\nGLIDE PRESENT 0\r\n"),
            states_with({{"MMX", DRIVER_PRESENT}}));
  EXPECT_EQ(detect("NUM_DRIVERS 3\r\nMMX PRESENT 0\r\nRAMP PRESENT zero\r\nGLIDE PRESENT 0\r\n"),
            states_with({{"MMX", DRIVER_PRESENT}}));
  EXPECT_EQ(detect("NUM_DRIVERS 3\r\nMMX PRESENT 0\r\n\r\nGLIDE PRESENT 0\r\n"),
            states_with({{"MMX", DRIVER_PRESENT}}));
}

TEST_F(DriverFile, KeysMatchByTheirBeginningInAnyCase) {
  EXPECT_EQ(detect("NUM_DRIVERS 5\r\n"
                   "  glide PRESENT 0 trailing text\r\n"
                   "K6_RENDERER_V2 PRESENT 1\r\n"
                   "Secondary_Hal PRESENT 0\r\n"
                   "PRIMARY PRESENT 0\r\n"  // shorter than PRIMARY_HAL: no match
                   "MM PRESENT 0\r\n"),
            states_with({{"GLIDE", DRIVER_PRESENT},
                         {"K6_RENDERER", DRIVER_PRESENT},
                         {"SECONDARY_HAL", DRIVER_PRESENT}}));
}

TEST_F(DriverFile, UnknownKeyUsesUpALine) {
  EXPECT_EQ(detect("NUM_DRIVERS 2\r\nATI PRESENT 0\r\nMMX PRESENT 0\r\nRAMP PRESENT 0\r\n"),
            states_with({{"MMX", DRIVER_PRESENT}}));
}

TEST_F(DriverFile, LaterLineForTheSameKeyWins) {
  EXPECT_EQ(detect("NUM_DRIVERS 2\r\nMMX PRESENT 0\r\nmmx ABSENT 0\r\n"), states_with({}));
  detect("NUM_DRIVERS 3\r\nMMX MAYBEPRESENT 0\r\nMMX PRESENT 0\r\nRAMP PRESENT 0\r\n");
  DriverChoice choice;
  ASSERT_EQ(build_driver_choice(&choice), 1);
  EXPECT_EQ(offered_keys(choice), (std::vector<std::string>{"MMX", "RAMP"}));
  release_driver_choice(&choice);
}

TEST_F(DriverFile, StateWordsIgnoreCase) {
  EXPECT_EQ(detect("NUM_DRIVERS 6\r\n"
                   "RAMP present 0\r\n"
                   "MMX MaybePresent 0\r\n"
                   "GLIDE ABSENT 0\r\n"
                   "PRIMARY_HAL NO 0\r\n"
                   "SECONDARY_HAL PRESENTLY 0\r\n"
                   "K6_RENDERER MAYBE 0\r\n"),
            states_with({{"RAMP", DRIVER_PRESENT}, {"MMX", DRIVER_MAYBEPRESENT}}));
}

TEST_F(DriverFile, OverlongWordsAreIgnoredButUseUpALine) {
  const std::string key32 = "GLIDE" + std::string(27, 'X');  // would match GLIDE if cut short
  const std::string key31 = "GLIDE" + std::string(26, 'X');
  EXPECT_EQ(detect("NUM_DRIVERS 2\r\n" + key32 + " PRESENT 0\r\nMMX PRESENT 0\r\nRAMP PRESENT 0\r\n"),
            states_with({{"MMX", DRIVER_PRESENT}}));
  EXPECT_EQ(detect("NUM_DRIVERS 1\r\n" + key31 + " PRESENT 0\r\n"),
            states_with({{"GLIDE", DRIVER_PRESENT}}));

  // A 31-character state word is a word like any other (not PRESENT: absent); a longer
  // one leaves the renderer's earlier state alone.
  const std::string state31 = "PRESENT" + std::string(24, 'Y');
  const std::string state32 = "PRESENT" + std::string(25, 'Y');
  EXPECT_EQ(detect("NUM_DRIVERS 2\r\nMMX PRESENT 0\r\nMMX " + state31 + " 0\r\n"), states_with({}));
  EXPECT_EQ(detect("NUM_DRIVERS 3\r\nMMX PRESENT 0\r\nMMX " + state32 + " 0\r\nRAMP PRESENT 0\r\n"),
            states_with({{"MMX", DRIVER_PRESENT}, {"RAMP", DRIVER_PRESENT}}));

  // Words filling the whole line buffer, and an overlong word without a number, which
  // still ends the reading.
  const std::string huge(518, 'Z');
  EXPECT_EQ(detect("NUM_DRIVERS 4\r\nMMX PRESENT 0\r\n" + huge + "\r\n" + huge.substr(0, 300) + " " +
                   huge.substr(0, 200) + " 1\r\nRAMP PRESENT 0\r\n"),
            states_with({{"MMX", DRIVER_PRESENT}}));
  EXPECT_EQ(detect("NUM_DRIVERS 3\r\nMMX PRESENT 0\r\n" + huge.substr(0, 300) + " " +
                   huge.substr(0, 200) + " 1\r\nRAMP PRESENT 0\r\n"),
            states_with({{"MMX", DRIVER_PRESENT}, {"RAMP", DRIVER_PRESENT}}));
}

TEST_F(DriverFile, MissingFileLeavesEveryRendererAbsent) {
  EXPECT_EQ(read_detected_drivers(dir_), 0);
  EXPECT_EQ(states(), states_with({}));
  for (const DriverEntry& entry : g_driver_table) EXPECT_EQ(entry.reserved, 0);
}

// ---- ranking and the default -----------------------------------------------------------

TEST_F(DriverFile, OffersPresentAndMaybePresentBestFirst) {
  detect("NUM_DRIVERS 7\r\nRAMP PRESENT 0\r\nMMX PRESENT 0\r\nPRIMARY_HAL MAYBEPRESENT 0\r\n"
         "SECONDARY_HAL PRESENT 0\r\nGLIDE PRESENT 0\r\nPENTIUM_RENDERER PRESENT 0\r\n"
         "K6_RENDERER MAYBEPRESENT 0\r\n");
  DriverChoice choice;
  ASSERT_EQ(build_driver_choice(&choice), 1);
  EXPECT_EQ(offered_keys(choice),
            (std::vector<std::string>{"GLIDE", "SECONDARY_HAL", "PRIMARY_HAL", "K6_RENDERER",
                                      "PENTIUM_RENDERER", "MMX", "RAMP"}));
  EXPECT_EQ(choice.selection, -1);
  release_driver_choice(&choice);
  EXPECT_EQ(choice.entries, nullptr);
}

TEST_F(DriverFile, NothingOfferedWithoutAPresentRenderer) {
  detect("NUM_DRIVERS 2\r\nGLIDE MAYBEPRESENT 0\r\nMMX MAYBEPRESENT 0\r\n");
  DriverChoice choice;
  EXPECT_EQ(build_driver_choice(&choice), 0);
  EXPECT_EQ(choice.entries, nullptr);
  EXPECT_EQ(prepare_driver_choice(dir_, 1, &choice), 0);
  EXPECT_EQ(prepare_driver_choice(dir_, 0, &choice), 0);
}

class DriverDefault : public DriverFile {
 protected:
  void SetUp() override {
    DriverFile::SetUp();
    write("mdrivers.dat",
          "NUM_DRIVERS 3\r\nRAMP PRESENT 0\r\nMMX PRESENT 0\r\nGLIDE MAYBEPRESENT 0\r\n");
  }

  // The key of the default renderer, or "" when nothing is offered.
  std::string default_key(int interactive) {
    DriverChoice choice;
    if (!prepare_driver_choice(dir_, interactive, &choice)) return "";
    EXPECT_EQ(offered_keys(choice), (std::vector<std::string>{"GLIDE", "MMX", "RAMP"}));
    std::string key = choice.entries[choice.selection]->key;
    release_driver_choice(&choice);
    return key;
  }
};

TEST_F(DriverDefault, BestPresentNotBestListed) {
  EXPECT_EQ(default_key(1), "MMX");
  EXPECT_EQ(default_key(0), "MMX");
}

TEST_F(DriverDefault, StoredKeyChosenInteractivelyEvenWhenOnlyMaybePresent) {
  write("korvexe.dat", "glide\r\nkorv3dfx.exe -ar3\r\n");
  EXPECT_EQ(default_key(1), "GLIDE");
  write("korvexe.dat", "Ramp");
  EXPECT_EQ(default_key(1), "RAMP");
}

TEST_F(DriverDefault, SilentModeIgnoresTheStoredKey) {
  write("korvexe.dat", "GLIDE\r\nkorv3dfx.exe -ar3\r\n");
  EXPECT_EQ(default_key(0), "MMX");
}

TEST_F(DriverDefault, StoredKeyNotOnOfferFallsBackToBestPresent) {
  for (const char* stored : {"", "\r\nGLIDE\r\n", "GLIDE2\r\n", "GLID\r\n", "PRIMARY_HAL\r\n"}) {
    SCOPED_TRACE(std::string("korvexe.dat: ") + stored);
    write("korvexe.dat", stored);
    EXPECT_EQ(default_key(1), "MMX");
  }
}

// ---- korvexe.dat ----------------------------------------------------------------------

TEST_F(DriverFile, WritesExactlyTwoCrLfLines) {
  const DriverEntry* glide = &g_driver_table[4];
  ASSERT_STREQ(glide->key, "GLIDE");
  write("korvexe.dat", std::string(100, 'o'));  // a longer file is replaced whole
  ASSERT_EQ(write_driver_file(dir_, glide), 1);
  const std::string bytes = read("korvexe.dat");
  EXPECT_EQ(bytes.size(), 26u);
  EXPECT_EQ(bytes, "GLIDE\r\nkorv3dfx.exe -ar3\r\n");
}

#ifndef _WIN32
TEST_F(DriverFile, FailedWriteIsReportedAsFailure) {
  // Writes to /dev/full fail with "no space" once the stream's buffer is flushed.
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  fs::create_symlink("/dev/full", folder_ / "korvexe.dat");
  EXPECT_EQ(write_driver_file(dir_, &g_driver_table[0]), 0);
}
#endif

}  // namespace
