// Corrupt "FASTFILE.DAT" archives: each row damages one field of a sound archive (or the
// file as a whole) and says whether the member is still found. A refused archive is as
// good as absent: nothing is found, nothing is read outside the file, and the archive's
// bytes stay as they were. Each row uses a folder of its own, since headers are cached
// for the life of the process.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "filelib/fileio.h"
#include "robust_files.h"

namespace {

void put_u32(std::string* bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<char>(value >> (8 * i));
}

// A sound archive: one skipped record, then DATA.TXT and FRONTEND.DAT; records are
// searched from index 1.
std::string sound_archive() {
  const std::vector<std::pair<std::string, std::string>> members = {
      {"DATA.TXT", "skipped\r\n"}, {"DATA.TXT", "first line\r\nsecond\r\n"}, {"FRONTEND.DAT", "NOFOG\r\n"}};
  const std::uint32_t header_length = 28 + 24 * members.size();
  std::string bytes(header_length, '\0');
  std::memcpy(&bytes[0], "FASTF101", 8);
  put_u32(&bytes, 8, header_length);
  put_u32(&bytes, 20, 1);
  put_u32(&bytes, 24, static_cast<std::uint32_t>(members.size() - 1));
  for (std::size_t i = 0; i < members.size(); ++i) {
    const std::size_t record = 28 + 24 * i;
    std::memcpy(&bytes[record], members[i].first.data(), members[i].first.size());
    put_u32(&bytes, record + 12, static_cast<std::uint32_t>(bytes.size()));
    put_u32(&bytes, record + 16, static_cast<std::uint32_t>(members[i].second.size()));
    bytes += members[i].second;
    bytes += '\x1a';
  }
  return bytes;
}

constexpr std::size_t data_record = 28 + 24;  // the first searched record

struct archive_case {
  const char* name;
  std::function<void(std::string*)> damage;
  bool found;
};

std::vector<archive_case> archive_cases() {
  auto field = [](std::size_t at, std::uint32_t value) {
    return [at, value](std::string* bytes) { put_u32(bytes, at, value); };
  };
  auto shorten = [](std::size_t size) { return [size](std::string* bytes) { bytes->resize(size); }; };
  return {
      {"sound", [](std::string*) {}, true},
      {"empty_file", shorten(0), false},
      {"seven_bytes", shorten(7), false},
      {"fifteen_bytes", shorten(15), false},
      {"fixed_part_only", shorten(27), false},
      {"cut_inside_the_records", shorten(60), false},
      {"wrong_magic", [](std::string* bytes) { (*bytes)[7] = '2'; }, false},
      {"magic_in_lower_case", [](std::string* bytes) { std::memcpy(&(*bytes)[0], "fastf101", 8); }, false},
      {"flag_bit_0", field(12, 1), false},
      {"every_flag", field(12, 0xFFFFFFFF), false},
      {"other_flags", field(12, 0xFFFFFFFE), true},
      {"header_length_zero", field(8, 0), false},
      {"header_length_below_the_fixed_part", field(8, 27), false},
      {"header_length_short_of_the_records", field(8, 28 + 24 * 2), false},
      {"header_length_past_the_end", field(8, 100000), false},
      {"header_length_huge", field(8, 0xFFFFFFFF), false},
      {"first_entry_negative", field(20, 0xFFFFFFFF), false},
      {"first_entry_most_negative", field(20, 0x80000000), false},
      {"first_entry_huge", field(20, 0x7FFFFFFF), false},
      {"entry_count_zero", field(24, 0), false},
      {"entry_count_negative", field(24, 0xFFFFFFFB), false},
      {"entry_count_huge", field(24, 0x7FFFFFFF), false},
      {"entry_count_one_too_many", field(24, 3), false},
      {"offset_past_the_end", field(data_record + 12, 100000), false},
      {"size_past_the_end", field(data_record + 16, 100000), false},
      {"offset_and_size_wrap_32_bits", [](std::string* bytes) {
         put_u32(bytes, data_record + 12, 0xFFFFFFF0);
         put_u32(bytes, data_record + 16, 0x20);
       }, false},
      {"name_without_terminator", [](std::string* bytes) { std::memcpy(&(*bytes)[data_record], "DATA.TXTXXXX", 12); },
       true},
  };
}

void PrintTo(const archive_case& damage, std::ostream* out) { *out << damage.name; }

class corrupt_archive : public ::testing::TestWithParam<archive_case> {
 protected:
  void SetUp() override {
    fileio_init();
    folder = make_scratch_dir();
    dir = pfdir_new(folder.c_str(), nullptr);
    ASSERT_NE(dir, nullptr);
  }
  void TearDown() override {
    pfdir_close(dir);
    fileio_tidyup();
    remove_tree(folder);
  }

  std::string folder;
  pf_dir* dir = nullptr;
};

TEST_P(corrupt_archive, member_is_found_only_in_a_sound_archive) {
  std::string bytes = sound_archive();
  GetParam().damage(&bytes);
  write_bytes(folder + "/FASTFILE.DAT", bytes);

  pf_file* file = pfopen(dir, "data.txt", "rb");
  ASSERT_EQ(file != nullptr, GetParam().found);
  EXPECT_EQ(pfexists(dir, "DATA.TXT"), GetParam().found ? 1 : 0);
  if (file != nullptr) {
    char line[64];
    ASSERT_EQ(pfgets(file, line, sizeof line), 1);
    EXPECT_STREQ(line, "first line");
    ASSERT_EQ(pfgets(file, line, sizeof line), 1);
    EXPECT_STREQ(line, "second");
    EXPECT_EQ(pfgets(file, line, sizeof line), 0) << "the member ends at its end marker";
    EXPECT_EQ(pfclose(file), 1);
  }
  // Modes that write never reach the archive.
  EXPECT_EQ(pffopen(dir, "DATA.TXT", "wb"), nullptr);
  EXPECT_EQ(pffopen(dir, "DATA.TXT", "r+b"), nullptr);
  EXPECT_EQ(read_bytes(folder + "/FASTFILE.DAT"), bytes);
  EXPECT_EQ(fileio_files->next, fileio_files) << "a refused lookup leaves a file open";
}

INSTANTIATE_TEST_SUITE_P(hostile, corrupt_archive, ::testing::ValuesIn(archive_cases()),
                         [](const ::testing::TestParamInfo<archive_case>& info) { return info.param.name; });

class odd_archive_file : public corrupt_archive {};

TEST_F(odd_archive_file, a_folder_named_like_the_archive_is_no_archive) {
  make_dir(folder + "/FASTFILE.DAT");
  EXPECT_EQ(pfopen(dir, "DATA.TXT", "rb"), nullptr);
  EXPECT_EQ(pfexists(dir, "DATA.TXT"), 0);
}

TEST_F(odd_archive_file, names_longer_than_twelve_characters_are_never_found) {
  std::string bytes = sound_archive();
  std::memcpy(&bytes[data_record], "LONGNAMEFILE", 12);
  write_bytes(folder + "/FASTFILE.DAT", bytes);
  EXPECT_EQ(pfexists(dir, "LONGNAMEFILE"), 1);
  EXPECT_EQ(pfexists(dir, "LONGNAMEFILE.TXT"), 0);
  EXPECT_EQ(pfexists(dir, std::string(300, 'A').c_str()), 0);
}

}  // namespace
