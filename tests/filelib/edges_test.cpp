// The library at its edges: where the current directory cannot be named, memory running
// out while a file on disk is opened, archive members past 2 GiB, member modes, null
// arguments, letter case of archive folders, and folders remembered without an archive.
#include <filesystem>
#include <fstream>

#include "scratch.h"
#include "seams.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

static ino_t current_inode() {
  struct stat info;
  return stat(".", &info) == 0 ? info.st_ino : 0;
}

TEST_F(fileio_test, directories_are_made_wherever_the_current_directory_is) {
  check_given_back = false;
  std::string deep = base;
  while (deep.size() <= FILEIO_PATH_LIMIT) deep += sep + std::string(40, 'd');
  make_directory(deep);
  make_directory(in_base("removed"));
  for (const std::string& current : {deep, in_base("removed")}) {
    set_current_directory(current);
    if (current == in_base("removed")) std::filesystem::remove(current);
    const ino_t before = current_inode();
    EXPECT_NE(pfpath_new(base.c_str(), nullptr), nullptr) << current;
    EXPECT_NE(pfdir_new(base.c_str(), nullptr), nullptr) << current;
    EXPECT_EQ(current_inode(), before);
  }
}

TEST_F(fileio_test, the_archive_is_the_handles_own_folders_whatever_the_letter_case_of_others) {
  check_given_back = false;
  for (const char* folder : {"Game", "GAME"}) {
    make_directory(in_base(folder));
    write_bytes(in_base(folder) + sep + "FASTFILE.DAT", archive_bytes({{"A.TXT", folder}}));
  }
  EXPECT_EQ(lines_of(pfopen(pfdir_new(in_base("Game").c_str(), nullptr), "a.txt", "rb")),
            std::vector<std::string>{"Game"});
}

// A folder whose time is long past is remembered without its archive: an archive that
// arrives without changing that time stays unseen, and is found once the time changes.
TEST_F(fileio_test, a_folder_without_an_archive_is_listed_again_only_once_it_changed) {
  const auto long_ago = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
  std::filesystem::last_write_time(base, long_ago);
  EXPECT_EQ(pfopen(dir, "A.TXT", "rb"), nullptr);
  write_bytes(in_base("fastfile.dat"), archive_bytes({{"A.TXT", "packed"}}));
  std::filesystem::last_write_time(base, long_ago);
  EXPECT_EQ(pfopen(dir, "A.TXT", "rb"), nullptr);
  std::filesystem::last_write_time(base, long_ago + std::chrono::seconds(1));
  EXPECT_EQ(lines_of(pfopen(dir, "A.TXT", "rb")), std::vector<std::string>{"packed"});
}
#endif

// Running out of memory while the loose file is opened ends the open: the archive's
// member of the same name is not handed out instead.
TEST_F(fileio_test, memory_running_out_for_a_file_on_disk_ends_the_open) {
  write_bytes(in_base("FASTFILE.DAT"), archive_bytes({{"A.TXT", "archive"}, {"B.TXT", "b"}}));
  write_bytes(in_base("A.TXT"), "disk");
  pfclose(pfopen(dir, "B.TXT", "rb"));  // the archive's header is loaded from here on
  for (long request : {2, 3}) {         // after the handle: the name's copy, then the list node
    refuse_requests(refused_layer::pool, request, false);
    EXPECT_EQ(pfopen(dir, "A.TXT", "rb"), nullptr) << request;
    EXPECT_EQ(requests_refused(), 1);
    refuse_requests(refused_layer::pool, 0, false);
  }
  EXPECT_EQ(lines_of(pfopen(dir, "A.TXT", "rb")), std::vector<std::string>{"disk"});
}

TEST_F(fileio_test, members_open_for_reading_only_and_never_for_null_arguments) {
  write_bytes(in_base("FASTFILE.DAT"), archive_bytes({{"A.TXT", "a"}}));
  for (const char* mode : {"r", "rb", "rt", "rbt"})
    EXPECT_EQ(pfclose(pffopen(dir, "A.TXT", mode)), 1) << mode;
  // Windows' D deletes the file on close; N, S, c and e change how it is opened.
  for (const char* mode : {"rD", "rbD", "rN", "rS", "rc", "re"})
    EXPECT_EQ(pffopen(dir, "A.TXT", mode), nullptr) << mode;
  EXPECT_EQ(pffopen(dir, nullptr, "rb"), nullptr);
  EXPECT_EQ(pffopen(dir, "A.TXT", nullptr), nullptr);
}

// A member 2 GiB into a sparse archive still ends at the marker behind it, which takes
// 64-bit positions where long has 32 bits (Windows, 32-bit Linux).
TEST_F(fileio_test, a_member_past_two_gib_ends_at_its_marker) {
  const std::uint32_t member_at = 0x80000010u;
  std::string bytes = archive_bytes({{"FAR.TXT", "one\r\n"}});
  put_u32(&bytes, 28 + 12, member_at);
  write_bytes(in_base("FASTFILE.DAT"), bytes);
  std::error_code error;
  std::filesystem::resize_file(in_base("FASTFILE.DAT"), member_at + 16, error);
  if (error) GTEST_SKIP() << "no sparse file of 2 GiB here: " << error.message();
  {
    std::fstream archive(in_base("FASTFILE.DAT"), std::ios::in | std::ios::out | std::ios::binary);
    archive.seekp(std::streamoff(member_at));
    archive << "one\r\n\032tail";
    ASSERT_TRUE(archive.good());
  }
  EXPECT_EQ(lines_of(pfopen(dir, "FAR.TXT", "rb")), std::vector<std::string>{"one"});
}
