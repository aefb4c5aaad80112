// Archives that must be refused, modes that must not write, limits, and running out of
// memory.
#include "archive_test_fixture.h"

#include <cstdio>
#include <functional>

#include "filelib/fastfile_format.h"
#include "support/pool.h"

namespace {

struct corruption {
    const char* label;
    std::function<void(const std::string& archive)> apply;
};

// A sound archive: two members, header_length 76, data from offset 76 on.
void write_sound_archive(const std::string& archive)
{
    write_archive(archive, {{"A.TXT", "alpha"}, {"B.TXT", "beta"}});
}

std::uint32_t file_size(const std::string& path)
{
    return std::uint32_t(read_file(path).size());
}

const corruption corruptions[] = {
    {"too short for the magic", [](const std::string& a) { write_file(a, "FASTF10"); }},
    {"shorter than the fixed header", [](const std::string& a) {
         write_sound_archive(a);
         write_file(a, read_file(a).substr(0, 20));
     }},
    {"wrong magic", [](const std::string& a) {
         write_sound_archive(a);
         std::string bytes = read_file(a);
         bytes[7] = '2';
         write_file(a, bytes);
     }},
    {"flags bit 0 set", [](const std::string& a) {
         write_sound_archive(a);
         patch_u32(a, 12, 0x80000001u);
     }},
    {"header_length zero", [](const std::string& a) {
         write_sound_archive(a);
         patch_u32(a, 8, 0);
     }},
    {"header_length below the fixed header", [](const std::string& a) {
         write_sound_archive(a);
         patch_u32(a, 8, 27);
     }},
    {"header_length short of the records", [](const std::string& a) {
         write_sound_archive(a);
         patch_u32(a, 8, 28 + 24 + 23);
     }},
    {"header_length huge", [](const std::string& a) {
         write_sound_archive(a);
         patch_u32(a, 8, 0xFFFFFFF0u);
     }},
    {"header_length one past the file", [](const std::string& a) {
         write_sound_archive(a);
         patch_u32(a, 8, file_size(a) + 1);
     }},
    {"first_entry negative", [](const std::string& a) {
         write_sound_archive(a);
         patch_u32(a, 20, 0xFFFFFFFFu);
     }},
    {"first_entry huge", [](const std::string& a) {
         write_sound_archive(a);
         patch_u32(a, 20, 0x7FFFFFFFu);
         patch_u32(a, 24, 1);
     }},
    {"entry_count huge", [](const std::string& a) {
         write_sound_archive(a);
         patch_u32(a, 24, 0x7FFFFFFFu);
     }},
    {"first_entry plus entry_count past the table", [](const std::string& a) {
         write_sound_archive(a);
         patch_u32(a, 20, 1);
         patch_u32(a, 24, 2);
     }},
    {"member offset past the end", [](const std::string& a) {
         write_sound_archive(a);
         patch_u32(a, 28 + 24 + 12, file_size(a) + 1);
     }},
    {"member offset at 4 GiB", [](const std::string& a) {
         write_sound_archive(a);
         patch_u32(a, 28 + 12, 0xFFFFFFFFu);
     }},
    {"member size past the end", [](const std::string& a) {
         write_sound_archive(a);
         patch_u32(a, 28 + 16, 0xFFFFFFF0u);
     }},
};

}  // namespace

TEST_F(ArchiveTest, CorruptArchivesAreRefusedAndNotCached)
{
    int index = 0;
    for (const corruption& bad : corruptions) {
        SCOPED_TRACE(bad.label);
        std::string dir = fresh_directory("corrupt_" + std::to_string(index++));
        bad.apply(dir + "FASTFILE.DAT");
        pf_dir* handle = open_dir(dir);
        int cached = cached_headers();
        EXPECT_EQ(pffopen(handle, "A.TXT", "rb"), nullptr);
        EXPECT_EQ(pffopen(handle, "B.TXT", "rb"), nullptr);
        EXPECT_EQ(pfexists(handle, "A.TXT"), 0);
        EXPECT_EQ(cached_headers(), cached);
    }
}

TEST_F(ArchiveTest, UninterpretedFieldsAndEmptyRangesAreAccepted)
{
    std::string dir = fresh_directory("accepted");
    write_sound_archive(dir + "FASTFILE.DAT");
    patch_u32(dir + "FASTFILE.DAT", 12, 0xFFFFFFFEu);  // every flag but bit 0
    patch_u32(dir + "FASTFILE.DAT", 16, 0xDEADBEEFu);
    patch_u32(dir + "FASTFILE.DAT", 28 + 20, 0xDEADBEEFu);  // a record's reserved word
    pf_dir* handle = open_dir(dir);
    pf_file* member = pffopen(handle, "A.TXT", "rb");
    ASSERT_NE(member, nullptr);
    pfclose(member);

    // No record searched: loaded and cached, and nothing is found.
    for (std::uint32_t count : {0u, 0x80000000u}) {
        std::string empty = fresh_directory("empty_" + std::to_string(count));
        write_sound_archive(empty + "FASTFILE.DAT");
        patch_u32(empty + "FASTFILE.DAT", 24, count);
        pf_dir* empty_handle = open_dir(empty);
        int cached = cached_headers();
        EXPECT_EQ(pffopen(empty_handle, "A.TXT", "rb"), nullptr);
        EXPECT_EQ(cached_headers(), cached + 1);
    }
}

TEST_F(ArchiveTest, ModesThatWriteNeverTouchTheArchive)
{
    std::string dir = fresh_directory("write_modes");
    write_sound_archive(dir + "FASTFILE.DAT");
    std::string before = read_file(dir + "FASTFILE.DAT");
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

TEST_F(ArchiveTest, OverlongPathsAreRefused)
{
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

TEST_F(ArchiveTest, NoDirectoryFindsNothing)
{
    EXPECT_EQ(pffopen(nullptr, "A.TXT", "rb"), nullptr);
    std::string dir = fresh_directory("missing");
    pf_dir* handle = open_dir(dir);
    EXPECT_EQ(pffopen(handle, "A.TXT", "rb"), nullptr);
    EXPECT_EQ(pfexists(handle, "A.TXT"), 0);
}

#ifndef _WIN32
// The stop shows its message on standard error here (a message box on Windows).
#include "support/malloc_seam.h"

TEST_F(ArchiveTest, RunningOutOfMemoryStopsWithTheFunctionsName)
{
    std::string dir = fresh_directory("memory");
    std::vector<member_spec> many;
    for (int i = 0; i < 200; ++i)
        many.push_back({"M" + std::to_string(i) + ".TXT", "x"});
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
