// Finding members: names, the header cache, record order and the search order of pfopen.
#include "archive_test_fixture.h"

#include <cstdio>

TEST_F(ArchiveTest, HeaderIsLoadedOncePerUpperCasedArchivePath) {
  std::string dir = fresh_directory("once");
  write_archive(dir + "FASTFILE.DAT", {{"A.TXT", "payload"}, {"B.TXT", "b"}});
  const int before = cached_headers();
  pf_file file;
  const pff_entry* entry = find(&file, dir, "a.txt");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(last_path, upper(dir) + "A.TXT");
  EXPECT_STREQ(entry->name, "A.TXT");
  EXPECT_EQ(rest_of(file.stream), std::string("payload\x1a") + "b\x1a");
  EXPECT_EQ(cached_headers(), before + 1);
  const pff_header* newest = static_cast<pff_header*>(pff_cache->next->item);
  EXPECT_EQ(std::string(newest->archive), upper(dir) + "FASTFILE.DAT");

  // The image in memory answers from now on, even after the file on disk changed.
  write_file(dir + "FASTFILE.DAT", "garbage, no longer an archive");
  std::string lower_dir = dir;
  for (char& c : lower_dir) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const std::string& spelling : {upper(dir), lower_dir}) {
    ASSERT_NE(find(&file, spelling, "b.txt"), nullptr) << spelling;
    std::fclose(file.stream);
  }
  EXPECT_EQ(cached_headers(), before + 1);
}

TEST_F(ArchiveTest, NameMatchingIsByPrefixFirstRecordWinsAndLongNamesNeverMatch) {
  std::string dir = fresh_directory("names");
  write_archive(dir + "FASTFILE.DAT", {{"FOO.DAT", "foo"},
                                       {"TWIN.TXT", "first"},
                                       {"TWIN.TXT", "second"},
                                       {"TWELVECHARS1", "twelve"},
                                       {"SHORT", "short"}});
  pf_file file;
  const std::pair<const char*, const char*> found[] = {
      {"FOO.DA", "foo"}, {"TWIN.TXT", "first"}, {"TWELVECHARS1", "twelve"}};
  for (const auto& [name, data] : found) {
    ASSERT_NE(find(&file, dir, name), nullptr) << name;
    EXPECT_EQ(rest_of(file.stream).substr(0, std::strlen(data)), data);
  }
  // 13 characters never match; the NUL after a shorter stored name differs from a longer
  // requested one.
  const int cached = cached_headers();
  for (const char* name : {"TWELVECHARS1X", "SHORTER", "MISSING.TXT", ""}) {
    EXPECT_EQ(find(&file, dir, name), nullptr) << name;
    EXPECT_EQ(file.stream, nullptr);
  }
  EXPECT_EQ(cached_headers(), cached);
}

TEST_F(ArchiveTest, RecordsBeforeFirstEntryAreNeverSearched) {
  for (const auto& [first_entry, data] : {std::pair<int, std::string>{1, "skipped"}, {2, "searched"}}) {
    std::string dir = fresh_directory("first_entry_" + data);
    write_archive(dir + "FASTFILE.DAT",
                  {{"HIDDEN.TXT", "hidden"}, {"SHARED.TXT", "skipped"}, {"SHARED.TXT", "searched"}},
                  first_entry);
    pf_file file;
    EXPECT_EQ(find(&file, dir, "HIDDEN.TXT"), nullptr);
    ASSERT_NE(find(&file, dir, "SHARED.TXT"), nullptr);
    EXPECT_EQ(rest_of(file.stream).substr(0, data.size()), data);
  }
}

TEST_F(ArchiveTest, MemberReadsFromItsOffsetAndStopsOnlyAtAnEndMarker) {
  std::string dir = fresh_directory("reading");
  write_archive(dir + "FASTFILE.DAT", {{"FIRST.TXT", "one\r\ntwo"},
                                       {"INNER.TXT",
                                        "a\x1a"
                                        "b\r\nc"},
                                       {"SPILL.TXT", "head tail"}});
  // SPILL.TXT's record claims only "head": the bytes after it are not a 26.
  patch_u32(dir + "FASTFILE.DAT", 28 + 2 * 24 + 16, 4);
  pf_dir* handle = open_dir(dir);

  pf_file* first = pfopen(handle, "first.txt", "rb");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->name, nullptr);
  ASSERT_NE(first->entry, nullptr);
  EXPECT_EQ(std::ftell(first->stream), long(first->entry->offset));
  EXPECT_EQ(lines_of(first), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(lines_of(pfopen(handle, "INNER.TXT", "rb")), (std::vector<std::string>{"a\x1a"
                                                                                   "b",
                                                                                   "c"}));
  EXPECT_EQ(lines_of(pfopen(handle, "SPILL.TXT", "rb")), (std::vector<std::string>{"head tail"}));
}

TEST_F(ArchiveTest, BinaryFollowsTheModeAndEachMemberHasItsOwnStream) {
  std::string dir = fresh_directory("modes");
  write_archive(dir + "FASTFILE.DAT", {{"A.TXT", "a"}});
  pf_dir* handle = open_dir(dir);
  pf_file* plain = pfopen(handle, "A.TXT", "r");
  pf_file* text = pfopen(handle, "A.TXT", "rt");
  pf_file* binary = pfopen(handle, "A.TXT", "rb");
  ASSERT_TRUE(plain && text && binary);
  EXPECT_EQ(plain->binary, 1);
  EXPECT_EQ(text->binary, 0);
  EXPECT_EQ(binary->binary, 1);
  EXPECT_NE(plain->stream, binary->stream);
  EXPECT_EQ(plain->entry, binary->entry);

  // Closing one member leaves the others and the cached header usable.
  EXPECT_EQ(pfclose(plain), 1);
  EXPECT_EQ(std::fgetc(binary->stream), 'a');
  pfclose(text);
  pfclose(binary);
  EXPECT_EQ(lines_of(pfopen(handle, "A.TXT", "rb")), std::vector<std::string>{"a"});
}

TEST_F(ArchiveTest, DiskComesFirstUnlessArchiveFirstIsSet) {
  std::string dir = fresh_directory("order");
  write_archive(dir + "FASTFILE.DAT", {{"BOTH.TXT", "archive"}, {"PACKED.TXT", "packed"}});
  write_file(dir + "BOTH.TXT", "disk");
  pf_dir* handle = open_dir(dir);
  for (const auto& [options, both] :
       {std::pair<std::uint32_t, const char*>{0, "disk"}, {FILEIO_ARCHIVE_FIRST, "archive"}}) {
    fileio_options = options;
    EXPECT_EQ(lines_of(pfopen(handle, "BOTH.TXT", "rb")), std::vector<std::string>{both});
    // A file only in the archive is found either way, and pfexists sees it.
    EXPECT_EQ(lines_of(pfopen(handle, "packed.txt", "rb")), std::vector<std::string>{"packed"});
    EXPECT_EQ(pfexists(handle, "PACKED.TXT"), 1);
    EXPECT_EQ(pfexists(handle, "ABSENT.TXT"), 0);
  }
}

TEST_F(ArchiveTest, RelativeHandleLooksInTheArchiveUnderItsParent) {
  std::string base = fresh_directory("relative");
  ASSERT_TRUE(std::filesystem::create_directory(base + "sub"));
  write_archive(base + "sub" + separator + "FASTFILE.DAT", {{"INSIDE.TXT", "inside"}});
  pf_path* parent = pfpath_new(base.c_str(), nullptr);
  ASSERT_NE(parent, nullptr);
  pf_dir* handle = pfdir_new("sub", parent);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(lines_of(pffopen(handle, "inside.txt", "rb")), std::vector<std::string>{"inside"});
  EXPECT_EQ(pfexists(handle, "INSIDE.TXT"), 1);
  EXPECT_EQ(pffopen(handle, "OUTSIDE.TXT", "rb"), nullptr);
  pfdir_close(handle);
}

TEST_F(ArchiveTest, ArchiveNameSettingAndLetterCaseOfDirectoriesAndArchive) {
  std::string dir = fresh_directory("Mixed Case") + "Game Data";
  ASSERT_TRUE(std::filesystem::create_directory(dir));
  dir += separator;
  write_archive(dir + "FastFile.dat", {{"KORVEXE.DAT", "PRIMARY_HAL\r\nkorv.exe\r\n"}});
  write_archive(dir + "OTHER.PAK", {{"KORVEXE.DAT", "other"}});
  pf_dir* handle = open_dir(dir);
  EXPECT_EQ(lines_of(pfopen(handle, "korvexe.dat", "rb")),
            (std::vector<std::string>{"PRIMARY_HAL", "korv.exe"}));
  std::strcpy(pff_archive_name, "other.pak");
  EXPECT_EQ(lines_of(pfopen(handle, "korvexe.dat", "rb")), std::vector<std::string>{"other"});
}

#ifndef _WIN32
#include "filelib/fastfile_disk.h"

// Where letter case matters, an exact spelling wins, then the first match in byte order.
TEST_F(ArchiveTest, CaseMatchingPrefersTheExactSpellingThenByteOrder) {
  std::string dir = fresh_directory("spellings");
  const std::string wanted = upper(dir) + "FASTFILE.DAT";
  write_file(dir + "fastFILE.dat", "lower");
  write_file(dir + "Fastfile.dat", "capital");
  char real[PFF_ARCHIVE_PATH_LIMIT + 1];
  ASSERT_TRUE(pff_disk_resolve(wanted.c_str(), real, sizeof real));
  EXPECT_EQ(std::string(real), dir + "Fastfile.dat");
  write_file(dir + "FASTFILE.DAT", "exact");
  ASSERT_TRUE(pff_disk_resolve(wanted.c_str(), real, sizeof real));
  EXPECT_EQ(std::string(real), dir + "FASTFILE.DAT");
  EXPECT_FALSE(pff_disk_resolve((upper(dir) + "NOFILE.DAT").c_str(), real, sizeof real));
  EXPECT_FALSE(pff_disk_resolve(wanted.c_str(), real, 10));
}
#endif
