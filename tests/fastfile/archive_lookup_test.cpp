// Finding members: names, the header cache, record order and the search order of pfopen.
#include "archive_test_fixture.h"

#include <cstdio>

TEST_F(ArchiveTest, LookupUpperCasesThePathAndFindsTheMember)
{
    std::string dir = fresh_directory("upper");
    write_archive(dir + "FASTFILE.DAT", {{"DATA.TXT", "payload"}});

    pf_file file;
    const pff_entry* entry = find(&file, dir, "data.txt");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(last_path, upper(dir) + "DATA.TXT");
    EXPECT_EQ(std::strncmp(entry->name, "DATA.TXT", 8), 0);
    EXPECT_EQ(rest_of(file.stream), std::string("payload\x1a"));
    std::fclose(file.stream);

    pff_header* newest = static_cast<pff_header*>(pff_cache->next->item);
    EXPECT_EQ(std::string(newest->archive), upper(dir) + "FASTFILE.DAT");
}

TEST_F(ArchiveTest, HeaderIsLoadedOncePerArchiveWhateverTheLetterCase)
{
    std::string dir = fresh_directory("once");
    write_archive(dir + "FASTFILE.DAT", {{"A.TXT", "a"}, {"B.TXT", "b"}});
    int before = cached_headers();

    pf_file first;
    ASSERT_NE(find(&first, dir, "A.TXT"), nullptr);
    std::fclose(first.stream);
    EXPECT_EQ(cached_headers(), before + 1);

    // The image in memory answers from now on, even after the file on disk changed.
    write_file(dir + "FASTFILE.DAT", "garbage, no longer an archive");
    pf_file second;
    ASSERT_NE(find(&second, upper(dir), "b.txt"), nullptr);
    std::fclose(second.stream);
    pf_file third;
    std::string lower_dir = dir;
    for (char& c : lower_dir)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ASSERT_NE(find(&third, lower_dir, "a.txt"), nullptr);
    std::fclose(third.stream);
    EXPECT_EQ(cached_headers(), before + 1);
}

TEST_F(ArchiveTest, NameMatchingIsByPrefixFirstRecordWinsAndLongNamesNeverMatch)
{
    std::string dir = fresh_directory("names");
    write_archive(dir + "FASTFILE.DAT", {{"FOO.DAT", "foo"},
                                         {"TWIN.TXT", "first"},
                                         {"TWIN.TXT", "second"},
                                         {"TWELVECHARS1", "twelve"},
                                         {"SHORT", "short"}});
    pf_file file;

    const pff_entry* prefix = find(&file, dir, "FOO.DA");
    ASSERT_NE(prefix, nullptr);
    EXPECT_EQ(rest_of(file.stream).substr(0, 3), "foo");
    std::fclose(file.stream);

    const pff_entry* twin = find(&file, dir, "TWIN.TXT");
    ASSERT_NE(twin, nullptr);
    EXPECT_EQ(rest_of(file.stream).substr(0, 5), "first");
    std::fclose(file.stream);

    ASSERT_NE(find(&file, dir, "TWELVECHARS1"), nullptr);
    std::fclose(file.stream);
    int cached = cached_headers();
    EXPECT_EQ(find(&file, dir, "TWELVECHARS1X"), nullptr);
    EXPECT_EQ(file.stream, nullptr);
    EXPECT_EQ(cached_headers(), cached);

    // The NUL after a shorter stored name differs from a longer requested one.
    EXPECT_EQ(find(&file, dir, "SHORTER"), nullptr);
    EXPECT_EQ(find(&file, dir, "MISSING.TXT"), nullptr);
    EXPECT_EQ(find(&file, dir, ""), nullptr);
    EXPECT_EQ(file.stream, nullptr);
}

TEST_F(ArchiveTest, RecordsBeforeFirstEntryAreNeverSearched)
{
    std::string dir = fresh_directory("first_entry");
    write_archive(dir + "FASTFILE.DAT",
                  {{"HIDDEN.TXT", "hidden"}, {"SHARED.TXT", "skipped"}, {"SHARED.TXT", "searched"}},
                  1);
    pf_file file;
    EXPECT_EQ(find(&file, dir, "HIDDEN.TXT"), nullptr);
    ASSERT_NE(find(&file, dir, "SHARED.TXT"), nullptr);
    EXPECT_EQ(rest_of(file.stream).substr(0, 7), "skipped");
    std::fclose(file.stream);

    std::string later = fresh_directory("first_entry_2");
    write_archive(later + "FASTFILE.DAT",
                  {{"HIDDEN.TXT", "hidden"}, {"SHARED.TXT", "skipped"}, {"SHARED.TXT", "searched"}},
                  2);
    ASSERT_NE(find(&file, later, "SHARED.TXT"), nullptr);
    EXPECT_EQ(rest_of(file.stream).substr(0, 8), "searched");
    std::fclose(file.stream);
}

TEST_F(ArchiveTest, MemberReadsFromItsOffsetAndStopsOnlyAtAnEndMarker)
{
    std::string dir = fresh_directory("reading");
    write_archive(dir + "FASTFILE.DAT", {{"FIRST.TXT", "one\r\ntwo"},
                                         {"INNER.TXT", "a\x1a" "b\r\nc"},
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
    EXPECT_EQ(pfclose(first), 1);

    pf_file* inner = pfopen(handle, "INNER.TXT", "rb");
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(lines_of(inner), (std::vector<std::string>{"a\x1a" "b", "c"}));
    pfclose(inner);

    pf_file* spill = pfopen(handle, "SPILL.TXT", "rb");
    ASSERT_NE(spill, nullptr);
    EXPECT_EQ(spill->entry->size, 4u);
    EXPECT_EQ(lines_of(spill), (std::vector<std::string>{"head tail"}));
    pfclose(spill);
}

TEST_F(ArchiveTest, BinaryFollowsTheModeAndEachMemberHasItsOwnStream)
{
    std::string dir = fresh_directory("modes");
    write_archive(dir + "FASTFILE.DAT", {{"A.TXT", "a"}});
    pf_dir* handle = open_dir(dir);

    pf_file* plain = pfopen(handle, "A.TXT", "r");
    pf_file* text = pfopen(handle, "A.TXT", "rt");
    pf_file* binary = pfopen(handle, "A.TXT", "rb");
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(text, nullptr);
    ASSERT_NE(binary, nullptr);
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
    pf_file* again = pfopen(handle, "A.TXT", "rb");
    ASSERT_NE(again, nullptr);
    pfclose(again);
}

TEST_F(ArchiveTest, DiskComesFirstUnlessArchiveFirstIsSet)
{
    std::string dir = fresh_directory("order");
    write_archive(dir + "FASTFILE.DAT", {{"BOTH.TXT", "archive"}, {"PACKED.TXT", "packed"}});
    write_file(dir + "BOTH.TXT", "disk");
    pf_dir* handle = open_dir(dir);
    char line[64];

    pf_file* both = pfopen(handle, "BOTH.TXT", "rb");
    ASSERT_NE(both, nullptr);
    EXPECT_NE(both->name, nullptr);
    ASSERT_TRUE(pfgets(both, line, sizeof line));
    EXPECT_STREQ(line, "disk");
    pfclose(both);

    fileio_options |= FILEIO_ARCHIVE_FIRST;
    both = pfopen(handle, "BOTH.TXT", "rb");
    ASSERT_NE(both, nullptr);
    EXPECT_EQ(both->name, nullptr);
    ASSERT_TRUE(pfgets(both, line, sizeof line));
    EXPECT_STREQ(line, "archive");
    pfclose(both);

    // A file only in the archive is found either way, and pfexists sees it.
    for (std::uint32_t options : {fileio_options, fileio_options & ~FILEIO_ARCHIVE_FIRST}) {
        fileio_options = options;
        pf_file* packed = pfopen(handle, "packed.txt", "rb");
        ASSERT_NE(packed, nullptr);
        ASSERT_TRUE(pfgets(packed, line, sizeof line));
        EXPECT_STREQ(line, "packed");
        pfclose(packed);
        EXPECT_EQ(pfexists(handle, "PACKED.TXT"), 1);
        EXPECT_EQ(pfexists(handle, "ABSENT.TXT"), 0);
    }
}

TEST_F(ArchiveTest, RelativeHandleLooksInTheArchiveUnderItsParent)
{
    std::string base = fresh_directory("relative");
    std::string sub = base + "sub";
    ASSERT_TRUE(std::filesystem::create_directory(sub));
    write_archive(sub + separator + "FASTFILE.DAT", {{"INSIDE.TXT", "inside"}});
    pf_path* parent = pfpath_new(base.c_str(), nullptr);
    ASSERT_NE(parent, nullptr);
    pf_dir* handle = pfdir_new("sub", parent);
    ASSERT_NE(handle, nullptr);

    pf_file* inside = pffopen(handle, "inside.txt", "rb");
    ASSERT_NE(inside, nullptr);
    EXPECT_EQ(std::fgetc(inside->stream), 'i');
    pfclose(inside);
    EXPECT_EQ(pfexists(handle, "INSIDE.TXT"), 1);
    EXPECT_EQ(pffopen(handle, "OUTSIDE.TXT", "rb"), nullptr);
    pfdir_close(handle);
}

TEST_F(ArchiveTest, ArchiveAndDirectoriesAreFoundWhateverTheirLetterCase)
{
    std::string base = fresh_directory("Mixed Case");
    std::string dir = base + "Game Data";
    ASSERT_TRUE(std::filesystem::create_directory(dir));
    dir += separator;
    write_archive(dir + "FastFile.dat", {{"KORVEXE.DAT", "PRIMARY_HAL\r\nkorv.exe\r\n"}});
    pf_dir* handle = open_dir(dir);

    pf_file* member = pfopen(handle, "korvexe.dat", "rb");
    ASSERT_NE(member, nullptr);
    EXPECT_EQ(lines_of(member), (std::vector<std::string>{"PRIMARY_HAL", "korv.exe"}));
    pfclose(member);
}

TEST_F(ArchiveTest, ArchiveNameSettingReplacesTheDefaultName)
{
    std::string dir = fresh_directory("named");
    write_archive(dir + "FASTFILE.DAT", {{"A.TXT", "default"}});
    write_archive(dir + "OTHER.PAK", {{"A.TXT", "other"}});
    std::strcpy(pff_archive_name, "other.pak");
    pf_file file;
    ASSERT_NE(find(&file, dir, "A.TXT"), nullptr);
    EXPECT_EQ(rest_of(file.stream).substr(0, 5), "other");
    std::fclose(file.stream);
}

#ifndef _WIN32
#include "filelib/fastfile_disk.h"

// Where letter case matters, an exact spelling wins, then the first match in byte order.
TEST_F(ArchiveTest, CaseMatchingPrefersTheExactSpellingThenByteOrder)
{
    std::string dir = fresh_directory("spellings");
    write_file(dir + "fastFILE.dat", "lower");
    write_file(dir + "Fastfile.dat", "capital");
    char real[PFF_ARCHIVE_PATH_LIMIT + 1];
    ASSERT_TRUE(pff_disk_resolve((upper(dir) + "FASTFILE.DAT").c_str(), real, sizeof real));
    EXPECT_EQ(std::string(real), dir + "Fastfile.dat");

    write_file(dir + "FASTFILE.DAT", "exact");
    ASSERT_TRUE(pff_disk_resolve((upper(dir) + "FASTFILE.DAT").c_str(), real, sizeof real));
    EXPECT_EQ(std::string(real), dir + "FASTFILE.DAT");
    EXPECT_FALSE(pff_disk_resolve((upper(dir) + "NOFILE.DAT").c_str(), real, sizeof real));
    EXPECT_FALSE(pff_disk_resolve((upper(dir) + "FASTFILE.DAT").c_str(), real, 10));
}
#endif
