// Archives that must be refused, modes that must not write, limits, and running out of
// memory.
#include "archive_test_fixture.h"

#include <utility>

#include "support/pool.h"

namespace {

// A sound archive: two members, header_length 76, data from offset 76 on.
void write_sound_archive(const std::string& archive) {
  write_archive(archive, {{"A.TXT", "alpha"}, {"B.TXT", "beta"}});
}

}  // namespace

TEST_F(ArchiveTest, CorruptArchivesAreRefusedAndNotCached) {
  const std::string sound_path = fresh_directory("sound") + "FASTFILE.DAT";
  write_sound_archive(sound_path);
  const std::string sound = read_file(sound_path);
  const std::uint32_t end = std::uint32_t(sound.size());
  constexpr std::uint32_t header_length = 8, flags = 12, first_entry = 20, entry_count = 24;
  constexpr std::uint32_t record = 28, offset = 12, size = 16;  // records are 24 bytes
  const struct {
    const char* label;
    std::size_t kept;                                              // bytes kept of the sound archive
    std::vector<std::pair<std::uint32_t, std::uint32_t>> patches;  // offset, new value
  } corruptions[] = {
      {"too short for the magic", 7, {}},
      {"shorter than the fixed header", 20, {}},
      {"wrong magic", end, {{4, 0x32323232u}}},
      {"flags bit 0 set", end, {{flags, 0x80000001u}}},
      {"header_length zero", end, {{header_length, 0}}},
      {"header_length below the fixed header", end, {{header_length, 27}}},
      {"header_length short of the records", end, {{header_length, record + 24 + 23}}},
      {"header_length huge", end, {{header_length, 0xFFFFFFF0u}}},
      {"header_length one past the file", end, {{header_length, end + 1}}},
      {"first_entry negative", end, {{first_entry, 0xFFFFFFFFu}}},
      {"first_entry huge", end, {{first_entry, 0x7FFFFFFFu}, {entry_count, 1}}},
      {"entry_count huge", end, {{entry_count, 0x7FFFFFFFu}}},
      {"first_entry plus entry_count past the table", end, {{first_entry, 1}, {entry_count, 2}}},
      {"member offset past the end", end, {{record + 24 + offset, end + 1}}},
      {"member offset at 4 GiB", end, {{record + offset, 0xFFFFFFFFu}}},
      {"member size past the end", end, {{record + size, 0xFFFFFFF0u}}},
  };
  int index = 0;
  for (const auto& bad : corruptions) {
    SCOPED_TRACE(bad.label);
    std::string bytes = sound.substr(0, bad.kept);
    for (const auto& [at, value] : bad.patches) put_u32(&bytes, at, value);
    const std::string dir = fresh_directory("corrupt_" + std::to_string(index++));
    write_file(dir + "FASTFILE.DAT", bytes);
    pf_dir* handle = open_dir(dir);
    const int cached = cached_headers();
    EXPECT_EQ(pffopen(handle, "A.TXT", "rb"), nullptr);
    EXPECT_EQ(pffopen(handle, "B.TXT", "rb"), nullptr);
    EXPECT_EQ(pfexists(handle, "A.TXT"), 0);
    EXPECT_EQ(cached_headers(), cached);
  }
}

TEST_F(ArchiveTest, UninterpretedFieldsAndEmptyRangesAreAccepted) {
  // Every flag but bit 0, the fixed header's spare word and a record's reserved word are
  // not looked at; an empty or negative entry_count loads the header but finds nothing.
  const std::vector<std::pair<std::uint32_t, std::uint32_t>> patches[] = {
      {{12, 0xFFFFFFFEu}, {16, 0xDEADBEEFu}, {28 + 20, 0xDEADBEEFu}}, {{24, 0}}, {{24, 0x80000000u}}};
  for (const auto& patch : patches) {
    const std::string dir = fresh_directory("accepted_" + std::to_string(&patch - patches));
    write_sound_archive(dir + "FASTFILE.DAT");
    for (const auto& [at, value] : patch) patch_u32(dir + "FASTFILE.DAT", at, value);
    const int cached = cached_headers();
    pf_file* member = pffopen(open_dir(dir), "A.TXT", "rb");
    EXPECT_EQ(member != nullptr, &patch == patches) << patch[0].first;
    pfclose(member);
    EXPECT_EQ(cached_headers(), cached + 1);
  }
}

TEST_F(ArchiveTest, ModesThatWriteNeverTouchTheArchive) {
  std::string dir = fresh_directory("write_modes");
  write_sound_archive(dir + "FASTFILE.DAT");
  const std::string before = read_file(dir + "FASTFILE.DAT");
  pf_dir* handle = open_dir(dir);

  for (const char* mode : {"w", "wb", "wt", "a", "ab", "r+", "rb+", "r+b", "w+", "a+b"}) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(pffopen(handle, "A.TXT", mode), nullptr);
    EXPECT_EQ(read_file(dir + "FASTFILE.DAT"), before);
  }

  // Archive first, a write mode falls through to the loose file on disk.
  fileio_options |= FILEIO_ARCHIVE_FIRST;
  pf_file* written = pfopen(handle, "A.TXT", "wb");
  ASSERT_NE(written, nullptr);
  EXPECT_NE(written->name, nullptr);
  EXPECT_EQ(pfputs(written, "loose"), 1);
  pfclose(written);
  EXPECT_EQ(read_file(dir + "A.TXT"), "loose\r\n");
  EXPECT_EQ(read_file(dir + "FASTFILE.DAT"), before);
}

TEST_F(ArchiveTest, MissingOrOverlongPathsFindNothing) {
  EXPECT_EQ(pffopen(nullptr, "A.TXT", "rb"), nullptr);
  pf_dir* empty = open_dir(fresh_directory("missing"));
  EXPECT_EQ(pffopen(empty, "A.TXT", "rb"), nullptr);
  EXPECT_EQ(pfexists(empty, "A.TXT"), 0);

  std::string dir = fresh_directory("long");
  write_sound_archive(dir + "FASTFILE.DAT");
  pf_dir* handle = open_dir(dir);

  std::memset(pff_archive_name, 'X', sizeof pff_archive_name - 1);
  EXPECT_EQ(pffopen(handle, "A.TXT", "rb"), nullptr);
  // Not terminated inside the setting: still bounded.
  std::memset(pff_archive_name, 'Y', sizeof pff_archive_name);
  EXPECT_EQ(pffopen(handle, "A.TXT", "rb"), nullptr);
  std::memset(pff_archive_name, 0, sizeof pff_archive_name);

  EXPECT_EQ(pffopen(handle, std::string(600, 'N').c_str(), "rb"), nullptr);
  EXPECT_EQ(pffopen_header(std::string(274, 'P').c_str()), nullptr);
  pf_file* member = pffopen(handle, "A.TXT", "rb");
  ASSERT_NE(member, nullptr);
  pfclose(member);
}

#ifndef _WIN32
// The stop shows its message on standard error here (a message box on Windows).
#include "support/malloc_seam.h"

TEST_F(ArchiveTest, RunningOutOfMemoryStopsWithTheFunctionsName) {
  std::string dir = fresh_directory("memory");
  std::vector<member_spec> many;
  for (int i = 0; i < 200; ++i) many.push_back({"M" + std::to_string(i) + ".TXT", "x"});
  write_archive(dir + "FASTFILE.DAT", many);  // a header image well above the pooled sizes
  pf_dir* handle = open_dir(dir);
  pffopen_header("");  // makes the cache list before memory runs out

  EXPECT_EXIT(
      {
        malloc_watch(1024);
        pffopen(handle, "M1.TXT", "rb");
      },
      ::testing::ExitedWithCode(0), "pffopen_header\\(\\): out of memory");

  EXPECT_EXIT(
      {
        malloc_watch(refuse_everything);
        for (int i = 0; i < 100000 && pool_alloc(sizeof(pf_file)) != nullptr; ++i) {
        }
        pffopen(handle, "M1.TXT", "rb");
      },
      ::testing::ExitedWithCode(0), "pffopen\\(\\): out of memory");
}
#endif
