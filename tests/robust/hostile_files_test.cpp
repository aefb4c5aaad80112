// The menu's file logic against damaged input: the setting files of hostile_content.h
// (shared with the end-to-end suite), the fog setting in odd install folders, and corrupt
// archives beyond those the archive reader's own tests refuse.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "driver_file.h"
#include "driver_table.h"
#include "filelib/fileio.h"
#include "fog_setting.h"
#include "hostile_content.h"
#include "robust_files.h"

namespace {

// The library started on a fresh scratch folder, with a directory handle for it.
struct scratch_folder {
  scratch_folder() {
    fileio_init();
    dir = pfdir_new(path.c_str(), nullptr);
  }
  ~scratch_folder() {
    pfdir_close(dir);
    EXPECT_EQ(fileio_files->next, fileio_files) << "a file was left open";
    fileio_tidyup();
    remove_tree(path);
  }
  std::string file(const char* name) const { return path + "/" + name; }

  const std::string path = make_scratch_dir();
  pf_dir* dir = nullptr;
};

struct made_choice {
  std::vector<std::string> offered;
  std::string selected;
};

made_choice choose(pf_dir* dir, int interactive) {
  made_choice made;
  DriverChoice choice{};
  if (!prepare_driver_choice(dir, interactive, &choice)) return made;
  for (int i = 0; i < choice.count; ++i) made.offered.push_back(choice.entries[i]->key);
  if (choice.selection >= 0) made.selected = choice.entries[choice.selection]->key;
  release_driver_choice(&choice);
  return made;
}

std::vector<std::string> table_words() {
  std::vector<std::string> words;
  for (const DriverEntry& entry : g_driver_table) words.insert(words.end(), {entry.key, entry.command});
  return words;
}

class damaged_files : public ::testing::TestWithParam<hostile::damage_case> {};

TEST_P(damaged_files, only_whole_readable_lines_count_and_reading_changes_no_file) {
  const hostile::damage_case& damage = GetParam();
  scratch_folder scratch;
  ASSERT_NE(scratch.dir, nullptr);
  write_bytes(scratch.file("mdrivers.dat"), damage.mdrivers);
  const std::vector<std::string> words_before = table_words();
  for (int interactive = 0; interactive <= 1; ++interactive) {
    const made_choice made = choose(scratch.dir, interactive);
    EXPECT_EQ(table_words(), words_before) << "a long word ran into the driver table";
    EXPECT_EQ(made.offered, damage.offered);
    EXPECT_EQ(made.selected, damage.best_present);
  }
  EXPECT_EQ(read_bytes(scratch.file("mdrivers.dat")), damage.mdrivers);
  EXPECT_EQ(read_bytes(scratch.file("korvexe.dat")), "<missing>");

  write_bytes(scratch.file("mdrivers.dat"), hostile::korvexe_detection());
  write_bytes(scratch.file("korvexe.dat"), damage.korvexe);
  EXPECT_EQ(choose(scratch.dir, 1).selected, damage.selected);
  EXPECT_EQ(read_bytes(scratch.file("korvexe.dat")), damage.korvexe);

  write_bytes(scratch.file("frontend.dat"), damage.frontend);
  int nofog = 0;
  load_fog_setting(scratch.path.c_str(), &nofog);
  EXPECT_EQ(nofog, damage.nofog ? 1 : 0);
  EXPECT_EQ(read_bytes(scratch.file("frontend.dat")), damage.frontend);
}

// Each buffer is exactly `capacity` bytes of heap, so a write past it is an
// AddressSanitizer report; every character that is not a line end comes back once.
TEST_P(damaged_files, line_reader_keeps_every_capacity_terminated_and_loses_nothing) {
  const hostile::damage_case& damage = GetParam();
  scratch_folder scratch;
  for (const auto& [name, bytes] :
       {std::pair<const char*, const std::string*>{"mdrivers.dat", &damage.mdrivers},
        {"korvexe.dat", &damage.korvexe},
        {"frontend.dat", &damage.frontend}}) {
    write_bytes(scratch.file(name), *bytes);
    std::size_t text_characters = 0;
    for (char c : *bytes) text_characters += c != '\r' && c != '\n';
    for (int capacity : {1, 2, 3, 127, 255, 519, 20000}) {
      SCOPED_TRACE(name + (" capacity " + std::to_string(capacity)));
      pf_file* file = pfopen(scratch.dir, name, "rb");
      ASSERT_NE(file, nullptr);
      std::vector<char> buffer(static_cast<std::size_t>(capacity));
      std::size_t stored = 0;
      std::size_t calls = 0;
      while (pfgets(file, buffer.data(), capacity)) {
        ASSERT_NE(std::memchr(buffer.data(), '\0', buffer.size()), nullptr);
        stored += std::strlen(buffer.data());
        ASSERT_LE(++calls, bytes->size() + 1) << "the reader does not advance";
      }
      EXPECT_EQ(buffer[0], '\0');
      if (capacity >= 2 && bytes->find('\0') == std::string::npos) EXPECT_EQ(stored, text_characters);
      EXPECT_EQ(pfclose(file), 1);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(hostile, damaged_files, ::testing::ValuesIn(hostile::damage_cases()),
                         [](const ::testing::TestParamInfo<hostile::damage_case>& info) {
                           return info.param.name;
                         });

TEST(odd_install_folder, fog_setting_is_stored_and_read_only_in_a_usable_folder) {
  scratch_folder scratch;
  make_dir(scratch.file("K"));
  make_dir(scratch.file("Korv Amund"));
  const struct {
    std::string folder;
    bool usable;
  } cases[] = {
      {scratch.file("K"), true},
      {scratch.file("Korv Amund"), true},
      {scratch.file("K/"), true},
      {scratch.file("absent"), false},
      {"K", false},
      {"", false},
      {scratch.path + "/" + std::string(300, 'k'), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    std::remove(scratch.file("K/frontend.dat").c_str());
    EXPECT_EQ(store_fog_setting(c.folder.c_str(), 1), c.usable ? 1 : 0);
    int nofog = 0;
    load_fog_setting(c.folder.c_str(), &nofog);
    EXPECT_EQ(nofog, c.usable ? 1 : 0);
    if (c.folder.empty()) continue;
    const std::string stored = read_bytes(c.folder + (c.folder.back() == '/' ? "" : "/") + "frontend.dat");
    EXPECT_EQ(stored, c.usable ? "NOFOG\r\n" : "<missing>");
  }
}

std::string patched(std::string bytes, std::size_t at, std::uint32_t value) {
  put_u32(&bytes, at, value);
  return bytes;
}

// Corrupt archives the archive reader's own table leaves out. A refused archive is as good
// as absent: nothing is found, no file is left open, and its bytes stay as they were.
TEST(corrupt_archive, member_is_found_only_in_a_sound_archive) {
  const std::string sound = archive_bytes({{"DATA.TXT", "first line\r\n"}});
  const struct {
    const char* name;
    std::string bytes;
    bool found;
  } cases[] = {
      {"sound", sound, true},
      {"fixed part only", sound.substr(0, 27), false},
      {"magic in lower case", "fastf101" + sound.substr(8), false},
      {"first_entry most negative", patched(sound, 20, 0x80000000u), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    scratch_folder scratch;
    write_bytes(scratch.file("FASTFILE.DAT"), c.bytes);
    EXPECT_EQ(pfexists(scratch.dir, "DATA.TXT"), c.found ? 1 : 0);
    pf_file* member = pfopen(scratch.dir, "data.txt", "rb");
    ASSERT_EQ(member != nullptr, c.found);
    if (member != nullptr) {
      char line[64];
      EXPECT_EQ(pfgets(member, line, sizeof line), 1);
      EXPECT_STREQ(line, "first line");
      EXPECT_EQ(pfclose(member), 1);
    }
    EXPECT_EQ(read_bytes(scratch.file("FASTFILE.DAT")), c.bytes);
  }
  scratch_folder scratch;
  make_dir(scratch.file("FASTFILE.DAT"));
  EXPECT_EQ(pfopen(scratch.dir, "DATA.TXT", "rb"), nullptr) << "a folder taken for the archive";
  EXPECT_EQ(pfexists(scratch.dir, "DATA.TXT"), 0);
}

}  // namespace
