// The menu's text-file and command-line logic against damaged files: empty, binary
// garbage, a megabyte, 10,000-character lines and words, NUL bytes, no line ends. The
// damage tables live in hostile_content.h, shared with the end-to-end suite.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver_file.h"
#include "driver_table.h"
#include "filelib/fileio.h"
#include "fog_setting.h"
#include "game_command.h"
#include "hostile_content.h"
#include "robust_files.h"

namespace {

// The library started in a scratch folder, with a directory handle for it.
class scratch_fixture {
 public:
  scratch_fixture() {
    fileio_init();
    dir_name = make_scratch_dir();
    dir = pfdir_new(dir_name.c_str(), nullptr);
  }
  ~scratch_fixture() {
    pfdir_close(dir);
    fileio_tidyup();
    remove_tree(dir_name);
  }
  std::string in_dir(const char* name) const { return dir_name + "/" + name; }

  std::string dir_name;
  pf_dir* dir = nullptr;
};

std::vector<std::string> offered_keys(const DriverChoice& choice) {
  std::vector<std::string> keys;
  for (int i = 0; i < choice.count; ++i) keys.push_back(choice.entries[i]->key);
  return keys;
}

std::vector<std::string> table_words() {
  std::vector<std::string> words;
  for (const DriverEntry& entry : g_driver_table) {
    words.push_back(entry.key);
    words.push_back(entry.command);
  }
  return words;
}

template <typename Case>
std::string case_name(const ::testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

// ---- "mdrivers.dat" ----------------------------------------------------------------

class damaged_mdrivers : public ::testing::TestWithParam<hostile::mdrivers_case> {};

TEST_P(damaged_mdrivers, offers_what_the_readable_lines_name_and_changes_no_file) {
  const hostile::mdrivers_case& damage = GetParam();
  scratch_fixture scratch;
  ASSERT_NE(scratch.dir, nullptr);
  write_bytes(scratch.in_dir("mdrivers.dat"), damage.bytes);
  const std::vector<std::string> words_before = table_words();

  for (int interactive = 0; interactive <= 1; ++interactive) {
    DriverChoice choice{};
    const int prepared = prepare_driver_choice(scratch.dir, interactive, &choice);
    EXPECT_EQ(table_words(), words_before) << "a long word ran into the driver table";
    if (damage.offered.empty()) {
      EXPECT_EQ(prepared, 0);
      continue;
    }
    ASSERT_EQ(prepared, 1);
    EXPECT_EQ(offered_keys(choice), damage.offered);
    ASSERT_GE(choice.selection, 0);
    EXPECT_EQ(std::string(choice.entries[choice.selection]->key), damage.best_present);
    release_driver_choice(&choice);
  }
  EXPECT_EQ(read_bytes(scratch.in_dir("mdrivers.dat")), damage.bytes);
  EXPECT_EQ(read_bytes(scratch.in_dir("korvexe.dat")), "<missing>");
}

INSTANTIATE_TEST_SUITE_P(hostile, damaged_mdrivers, ::testing::ValuesIn(hostile::mdrivers_cases()),
                         case_name<hostile::mdrivers_case>);

// ---- "korvexe.dat" -----------------------------------------------------------------

class damaged_korvexe : public ::testing::TestWithParam<hostile::korvexe_case> {};

TEST_P(damaged_korvexe, default_falls_back_to_the_best_present_and_file_stays) {
  const hostile::korvexe_case& damage = GetParam();
  scratch_fixture scratch;
  ASSERT_NE(scratch.dir, nullptr);
  write_bytes(scratch.in_dir("mdrivers.dat"), hostile::korvexe_detection());
  write_bytes(scratch.in_dir("korvexe.dat"), damage.bytes);

  DriverChoice choice{};
  ASSERT_EQ(prepare_driver_choice(scratch.dir, 1, &choice), 1);
  ASSERT_GE(choice.selection, 0);
  EXPECT_EQ(std::string(choice.entries[choice.selection]->key), damage.selected);
  release_driver_choice(&choice);
  EXPECT_EQ(read_bytes(scratch.in_dir("korvexe.dat")), damage.bytes);
}

// Play reads two lines of at most 126 characters; whatever they hold, the command line
// built from them and the longest install directory fits its buffer.
TEST_P(damaged_korvexe, play_lines_always_build_a_command_that_fits) {
  const hostile::korvexe_case& damage = GetParam();
  scratch_fixture scratch;
  ASSERT_NE(scratch.dir, nullptr);
  write_bytes(scratch.in_dir("korvexe.dat"), damage.bytes);
  pf_file* file = pfopen(scratch.dir, "korvexe.dat", "rb");
  ASSERT_NE(file, nullptr);
  char key[driver_line_capacity];
  char command[driver_line_capacity];
  const bool two_lines = pfgets(file, key, driver_line_capacity) && pfgets(file, command, driver_line_capacity);
  pfclose(file);
  if (!two_lines) return;

  const std::string install_dir = "/games/" + std::string(install_dir_max_length - 7, 'k');
  std::vector<char> out(command_line_capacity);
  EXPECT_EQ(build_game_command(install_dir.c_str(), command, 1, out.data(), command_line_capacity), 1);
  EXPECT_EQ(std::strncmp(out.data(), install_dir.c_str(), install_dir.size()), 0);
  EXPECT_EQ(build_network_command(install_dir.c_str(), key, out.data(), command_line_capacity), 1);
}

INSTANTIATE_TEST_SUITE_P(hostile, damaged_korvexe, ::testing::ValuesIn(hostile::korvexe_cases()),
                         case_name<hostile::korvexe_case>);

// ---- "frontend.dat" ----------------------------------------------------------------

class damaged_frontend : public ::testing::TestWithParam<hostile::frontend_case> {};

TEST_P(damaged_frontend, only_a_first_line_of_nofog_sets_the_flag) {
  const hostile::frontend_case& damage = GetParam();
  scratch_fixture scratch;
  write_bytes(scratch.in_dir("frontend.dat"), damage.bytes);

  int nofog = 0;
  load_fog_setting(scratch.dir_name.c_str(), &nofog);
  EXPECT_EQ(nofog, damage.fog_work_around ? 1 : 0);
  nofog = 1;
  load_fog_setting(scratch.dir_name.c_str(), &nofog);
  EXPECT_EQ(nofog, 1) << "reading never clears the flag";
  EXPECT_EQ(read_bytes(scratch.in_dir("frontend.dat")), damage.bytes);
}

INSTANTIATE_TEST_SUITE_P(hostile, damaged_frontend, ::testing::ValuesIn(hostile::frontend_cases()),
                         case_name<hostile::frontend_case>);

// ---- odd install directories for the fog setting -------------------------------------

struct folder_case {
  const char* name;
  std::string (*folder)(const std::string& scratch);  // the install directory handed in
  bool usable;                                          // the setting is stored there
};

void PrintTo(const folder_case& odd, std::ostream* out) { *out << odd.name; }

std::vector<folder_case> folder_cases() {
  return {
      {"plain", [](const std::string& scratch) { return scratch + "/K"; }, true},
      {"blanks", [](const std::string& scratch) { return scratch + "/Korv Amund"; }, true},
      {"trailing_separator", [](const std::string& scratch) { return scratch + "/K/"; }, true},
      {"missing", [](const std::string& scratch) { return scratch + "/absent"; }, false},
      {"relative", [](const std::string&) { return std::string("K"); }, false},
      {"empty", [](const std::string&) { return std::string(); }, false},
      {"longer_than_a_path", [](const std::string& scratch) { return scratch + "/" + std::string(300, 'k'); }, false},
  };
}

class odd_install_folder : public ::testing::TestWithParam<folder_case> {};

TEST_P(odd_install_folder, fog_setting_is_stored_only_in_a_usable_folder) {
  scratch_fixture scratch;
  make_dir(scratch.dir_name + "/K");
  make_dir(scratch.dir_name + "/Korv Amund");
  const std::string folder = GetParam().folder(scratch.dir_name);
  EXPECT_EQ(store_fog_setting(folder.c_str(), 1), GetParam().usable ? 1 : 0);
  int nofog = 0;
  load_fog_setting(folder.c_str(), &nofog);
  EXPECT_EQ(nofog, GetParam().usable ? 1 : 0);
  if (folder.empty()) return;
  const std::string stored = read_bytes(folder + (folder.back() == '/' ? "" : "/") + "frontend.dat");
  EXPECT_EQ(stored, GetParam().usable ? "NOFOG\r\n" : "<missing>");
}

INSTANTIATE_TEST_SUITE_P(hostile, odd_install_folder, ::testing::ValuesIn(folder_cases()),
                         case_name<folder_case>);

// ---- the line reader over every damaged file -----------------------------------------

struct named_bytes {
  std::string name;
  std::string bytes;
};

std::vector<named_bytes> every_damaged_file() {
  std::vector<named_bytes> files;
  for (const auto& c : hostile::mdrivers_cases()) files.push_back({std::string("mdrivers_") + c.name, c.bytes});
  for (const auto& c : hostile::korvexe_cases()) files.push_back({std::string("korvexe_") + c.name, c.bytes});
  for (const auto& c : hostile::frontend_cases()) files.push_back({std::string("frontend_") + c.name, c.bytes});
  return files;
}

void PrintTo(const named_bytes& file, std::ostream* out) { *out << file.name; }

class damaged_lines : public ::testing::TestWithParam<named_bytes> {};

// Each buffer is exactly `capacity` bytes of heap, so a write past it is an
// AddressSanitizer report; every character that is not a line end comes back once.
TEST_P(damaged_lines, every_capacity_keeps_the_text_terminated_and_loses_nothing) {
  const std::string& bytes = GetParam().bytes;
  scratch_fixture scratch;
  write_bytes(scratch.in_dir("lines.dat"), bytes);
  std::size_t text_characters = 0;
  for (char c : bytes) text_characters += c != '\r' && c != '\n';
  const bool has_nul = bytes.find('\0') != std::string::npos;

  for (int capacity : {1, 2, 3, 127, 255, 519, 20000}) {
    pf_file* file = pfopen(scratch.dir, "lines.dat", "rb");
    ASSERT_NE(file, nullptr);
    std::vector<char> buffer(static_cast<std::size_t>(capacity));
    std::size_t stored = 0;
    std::size_t calls = 0;
    while (pfgets(file, buffer.data(), capacity)) {
      ASSERT_NE(std::memchr(buffer.data(), '\0', buffer.size()), nullptr) << "capacity " << capacity;
      const std::size_t length = std::strlen(buffer.data());
      EXPECT_LT(length, static_cast<std::size_t>(capacity));
      stored += length;
      ASSERT_LE(++calls, bytes.size() + 1) << "the reader does not advance, capacity " << capacity;
    }
    EXPECT_EQ(buffer[0], '\0');
    if (capacity >= 2 && !has_nul) EXPECT_EQ(stored, text_characters) << "capacity " << capacity;
    EXPECT_EQ(pfclose(file), 1);
  }
}

INSTANTIATE_TEST_SUITE_P(hostile, damaged_lines, ::testing::ValuesIn(every_damaged_file()),
                         [](const ::testing::TestParamInfo<named_bytes>& info) { return info.param.name; });

// ---- command lines from odd install directories and game commands -------------------

struct command_case {
  const char* name;
  std::string install_dir;
  std::string game_command;
  bool fits;
};

std::vector<command_case> command_cases() {
  return {
      {"longest_pieces", std::string(127, 'd'), std::string(126, 'c'), true},
      {"blanks", "C:\\Program Files\\Korv Amund", "korv.exe -arr", true},
      {"trailing_backslash", "C:\\Games\\K\\", "korv.exe -arr", true},
      {"empty_command", "C:\\Games\\K", "", true},
      {"overlong_directory", std::string(1000, 'd'), "korv.exe -arr", false},
      {"overlong_command", "C:\\Games\\K", std::string(1000, 'c'), false},
  };
}

void PrintTo(const command_case& odd, std::ostream* out) { *out << odd.name; }

class odd_command_line : public ::testing::TestWithParam<command_case> {};

TEST_P(odd_command_line, builds_within_the_buffer_or_refuses_with_an_empty_line) {
  const command_case& odd = GetParam();
  std::vector<char> out(command_line_capacity, 'X');
  for (int nofog = 0; nofog <= 1; ++nofog) {
    const int built = build_game_command(odd.install_dir.c_str(), odd.game_command.c_str(), nofog, out.data(),
                                         command_line_capacity);
    ASSERT_NE(std::memchr(out.data(), '\0', out.size()), nullptr);
    EXPECT_EQ(built, odd.fits ? 1 : 0);
    if (!built) {
      EXPECT_STREQ(out.data(), "");
      continue;
    }
    const std::string line = out.data();
    EXPECT_NE(line.find(odd.install_dir), std::string::npos) << line;
    EXPECT_EQ(line.size() >= 5 && line.compare(line.size() - 5, 5, " -anf") == 0, nofog == 1) << line;
  }
  const int built = build_network_command(odd.install_dir.c_str(), "GLIDE", out.data(), command_line_capacity);
  ASSERT_NE(std::memchr(out.data(), '\0', out.size()), nullptr);
  EXPECT_EQ(built, odd.install_dir.size() <= 127 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(hostile, odd_command_line, ::testing::ValuesIn(command_cases()),
                         case_name<command_case>);

}  // namespace
