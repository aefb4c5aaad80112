// Fast-file archives: the header cache, members read as files, the search order of pfopen,
// modes that must not write, and running out of memory. Which record a name finds in which
// archive is checked against a reading of the format by fuzz/fuzz_archive.cpp, over seeds
// for each rule.
#include <cstdio>
#include <cstring>

#include "filelib/fastfile.h"
#include "scratch.h"
#include "seams.h"

namespace {

class archives : public fileio_test {
 protected:
  void TearDown() override {
    fileio_options = FILEIO_DEFAULT_OPTIONS;
    std::memset(pff_archive_name, 0, sizeof pff_archive_name);
    fileio_test::TearDown();
  }
  std::string archive() const { return in_base("FASTFILE.DAT"); }
};

TEST_F(archives, the_header_loads_once_per_archive_until_it_changes_and_members_read_from_their_offset) {
  std::string bytes = archive_bytes({{"SKIPPED", ""},
                                     {"FIRST.TXT", "one\r\ntwo"},
                                     {"INNER.TXT", "a\032b\r\nc"},
                                     {"SPILL.TXT", "head tail"}},
                                    1);
  put_u32(&bytes, 28 + 3 * 24 + 16, 4);  // SPILL.TXT claims only "head": what follows is no marker
  write_bytes(archive(), bytes);
  pf_file* first = pfopen(dir, "first.txt", "rb");
  ASSERT_TRUE(first && first->entry);
  EXPECT_EQ(first->name, nullptr);
  EXPECT_EQ(std::ftell(first->stream), long(first->entry->offset));
  EXPECT_EQ(lines_of(first), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(lines_of(pfopen(dir, "INNER.TXT", "rb")), (std::vector<std::string>{"a\032b", "c"}));
  EXPECT_EQ(lines_of(pfopen(dir, "SPILL.TXT", "rb")), std::vector<std::string>{"head tail"});
  // The key is the path as found on disk, whatever the spelling asked for.
  ASSERT_EQ(list_items(pff_cache).size(), 1u);
  EXPECT_EQ(std::string(static_cast<pff_header*>(pff_cache->next->item)->archive),
            sep == '/' ? archive() : upper_case(archive()));
  std::string path = upper_case(base) + sep + "inner.txt";
  pf_file spelled{};
  EXPECT_NE(pffind(&spelled, base.size() + 1, &path[0], "rb"), nullptr);
  std::fclose(spelled.stream);
  EXPECT_EQ(path, upper_case(base) + sep + "INNER.TXT");  // upper-cased in place
  EXPECT_EQ(list_items(pff_cache).size(), 1u);
  // Each member handle has its own stream and its mode's binary flag.
  pf_file* plain = pfopen(dir, "FIRST.TXT", "r");
  pf_file* text = pfopen(dir, "FIRST.TXT", "rt");
  ASSERT_TRUE(plain && text);
  EXPECT_EQ(plain->binary * 2 + text->binary, 2);
  EXPECT_NE(plain->stream, text->stream);
  pfclose(plain);
  pfclose(text);
  // A changed archive is loaded again: no member is read at the old offsets over new bytes,
  // and a name the old index lacks is looked for in the new one.
  write_bytes(archive(), archive_bytes({{"PAD.TXT", "padding"}, {"INNER.TXT", "new"}}));
  EXPECT_EQ(lines_of(pfopen(dir, "INNER.TXT", "rb")), std::vector<std::string>{"new"});
  write_bytes(archive(), archive_bytes({{"LATE.TXT", "late"}}));
  EXPECT_EQ(lines_of(pfopen(dir, "LATE.TXT", "rb")), std::vector<std::string>{"late"});
  write_bytes(archive(), "no longer an archive");
  EXPECT_EQ(pfopen(dir, "LATE.TXT", "rb"), nullptr);
}

TEST_F(archives, disk_comes_first_unless_archive_first_is_set_and_relative_handles_look_under_their_parent) {
  const std::string sub = in_base("Sub Dir") + sep;
  make_directory(sub);
  write_bytes(sub + "FastFile.dat", archive_bytes({{"BOTH.TXT", "archive"}, {"PACKED.TXT", "packed"}}));
  write_bytes(sub + "OTHER.PAK", archive_bytes({{"PACKED.TXT", "other"}}));
  write_bytes(sub + "BOTH.TXT", "disk");
  pf_dir* relative = pfdir_new("Sub Dir", pfpath_new(base.c_str(), nullptr));
  for (auto [options, both] : {std::pair<std::uint32_t, const char*>{4, "disk"}, {5, "archive"}}) {
    fileio_options = options;
    EXPECT_EQ(lines_of(pfopen(relative, "BOTH.TXT", "rb")), std::vector<std::string>{both});
    EXPECT_EQ(lines_of(pfopen(relative, "packed.txt", "rb")), std::vector<std::string>{"packed"});
    EXPECT_EQ(pfexists(relative, "PACKED.TXT") * 2 + pfexists(relative, "ABSENT.TXT"), 2);
  }
  std::strcpy(pff_archive_name, "other.pak");
  EXPECT_EQ(lines_of(pffopen(relative, "packed.txt", "rb")), std::vector<std::string>{"other"});
  // A write mode never reaches the archive: archive first, it falls through to the disk.
  const std::string before = read_bytes(sub + "OTHER.PAK");
  for (const char* mode : {"w", "wb", "a", "r+", "rb+", "w+", "a+b"})
    EXPECT_EQ(pffopen(relative, "PACKED.TXT", mode), nullptr) << mode;
  pf_file* written = pfopen(relative, "PACKED.TXT", "wb");
  ASSERT_TRUE(written && written->name);
  pfclose(written);
  EXPECT_EQ(read_bytes(sub + "OTHER.PAK"), before);
  pfdir_close(relative);
}

TEST_F(archives, overlong_paths_and_names_find_nothing) {
  std::vector<archive_member> many(200, {"FILLER", ""});  // an image above the pooled sizes
  many.push_back({"M1", "x"});
  write_bytes(archive(), archive_bytes(many));
  EXPECT_EQ(pffopen(nullptr, "M1", "rb"), nullptr);
  std::memset(pff_archive_name, 'Y', sizeof pff_archive_name);  // not even terminated: still bounded
  EXPECT_EQ(pffopen(dir, "M1", "rb"), nullptr);
  std::memset(pff_archive_name, 0, sizeof pff_archive_name);
  EXPECT_EQ(pffopen(dir, std::string(600, 'N').c_str(), "rb"), nullptr);
  EXPECT_EQ(pffopen_header(std::string(274, 'P').c_str()), nullptr);
  EXPECT_EQ(lines_of(pffopen(dir, "M1", "rb")), std::vector<std::string>{"x"});
}

}  // namespace
