// The library's edges that only a POSIX system shows: a current directory that cannot be
// named, letter case of archive folders and names, folders remembered without an archive,
// the path limit exactly, links and permission bits met by a replacement, and the fatal
// stop's message on standard error.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "filelib/fastfile.h"
#include "filelib/fastfile_disk.h"
#include "scratch.h"
#include "seams.h"

using edges = fileio_test;

namespace {

ino_t current_inode() {
  struct stat info;
  return stat(".", &info) == 0 ? info.st_ino : 0;
}

}  // namespace

TEST_F(edges, directories_are_made_wherever_the_current_directory_is) {
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

TEST_F(edges, the_archive_is_the_handles_own_folders_whatever_the_letter_case_of_others) {
  check_given_back = false;
  for (const char* folder : {"Game", "GAME"}) {
    make_directory(in_base(folder));
    write_bytes(in_base(folder) + sep + "FASTFILE.DAT", archive_bytes({{"A.TXT", folder}}));
  }
  for (const char* folder : {"Game", "GAME"})  // neither shares the other's cached header
    EXPECT_EQ(lines_of(pfopen(pfdir_new(in_base(folder).c_str(), nullptr), "a.txt", "rb")),
              std::vector<std::string>{folder});
}

// A folder whose time is long past is remembered without its archive (after a whole listing
// only, not one cut short for want of descriptors): an archive that arrives without changing
// that time stays unseen, and is found once the time changes.
TEST_F(edges, a_folder_without_an_archive_is_listed_again_only_once_it_changed) {
  const auto long_ago = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
  write_bytes(in_base("fastfile.dat"), archive_bytes({{"A.TXT", "packed"}}));
  std::filesystem::last_write_time(base, long_ago);
  rlimit saved{};
  getrlimit(RLIMIT_NOFILE, &saved);
  const int lowest_free = open("/dev/null", O_RDONLY);  // every descriptor below it is taken
  close(lowest_free);
  const rlimit none_left{static_cast<rlim_t>(lowest_free), saved.rlim_max};
  setrlimit(RLIMIT_NOFILE, &none_left);
  EXPECT_EQ(pfopen(dir, "A.TXT", "rb"), nullptr);
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(lines_of(pfopen(dir, "A.TXT", "rb")), std::vector<std::string>{"packed"});
  std::filesystem::remove(in_base("fastfile.dat"));
  std::filesystem::last_write_time(base, long_ago);
  EXPECT_EQ(pfopen(dir, "A.TXT", "rb"), nullptr);
  write_bytes(in_base("fastfile.dat"), archive_bytes({{"A.TXT", "packed"}}));
  std::filesystem::last_write_time(base, long_ago);
  EXPECT_EQ(pfopen(dir, "A.TXT", "rb"), nullptr);
  std::filesystem::last_write_time(base, long_ago + std::chrono::seconds(1));
  EXPECT_EQ(lines_of(pfopen(dir, "A.TXT", "rb")), std::vector<std::string>{"packed"});
}

TEST_F(edges, the_limit_counts_the_separator_a_path_object_gains) {
  // A directory whose absolute path has exactly FILEIO_PATH_LIMIT - 1 characters.
  std::string fits = base;
  while (fits.size() < FILEIO_PATH_LIMIT - 1) {
    const std::size_t room = FILEIO_PATH_LIMIT - 1 - fits.size() - 1;
    fits += sep + std::string(room <= 100 ? room : (room - 100 >= 2 ? 100 : 50), 'd');
    make_directory(fits);
  }
  make_directory(fits + "f");
  pf_path* object = pfpath_new(fits.c_str(), nullptr);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(std::strlen(object->path), FILEIO_PATH_LIMIT);
  pfdir_close(pfdir_new(fits.c_str(), nullptr));
  EXPECT_EQ(pfpath_new((fits + "f").c_str(), nullptr), nullptr);
  EXPECT_EQ(pfdir_new((fits + "f").c_str(), nullptr), nullptr);
}

// Where letter case matters, an exact spelling wins, then the first match in byte order.
TEST_F(edges, case_matching_prefers_the_exact_spelling_then_byte_order) {
  const std::string wanted = upper_case(in_base("FASTFILE.DAT"));
  char real[pff_archive_path_limit + 1];
  for (const char* spelling : {"fastFILE.dat", "Fastfile.dat", "FASTFILE.DAT"}) {  // each wins over the last
    write_bytes(in_base(spelling), "");
    ASSERT_TRUE(pff_disk_resolve(wanted.c_str(), real, sizeof real));
    EXPECT_EQ(std::string(real), in_base(spelling));
  }
  EXPECT_FALSE(pff_disk_resolve(upper_case(in_base("NOFILE.DAT")).c_str(), real, sizeof real));
  EXPECT_FALSE(pff_disk_resolve(wanted.c_str(), real, 10));
}

// A link planted at the temporary's name is removed, never written through, and the new
// file is a plain file with the old one's permission bits.
TEST_F(edges, a_replacement_never_writes_through_a_link_and_keeps_the_files_mode) {
  write_bytes(in_base("victim"), "victim");
  write_bytes(in_base("k.dat"), "old");
  chmod(in_base("k.dat").c_str(), 0600);
  std::filesystem::create_symlink(in_base("victim"), in_base("k.dat.new"));
  pf_file* file = pfreplace_open(dir, "k.dat");
  EXPECT_EQ(pfputs(file, "new") + pfreplace_commit(file), 2);
  struct stat info {};
  EXPECT_EQ((lstat(in_base("k.dat").c_str(), &info), info.st_mode), S_IFREG | 0600u);
  EXPECT_EQ(read_bytes(in_base("victim")) + "|" + read_bytes(in_base("k.dat")), "victim|new\r\n");
}

TEST(stream_files_stop, running_out_of_memory_or_a_corrupt_search_list_stops_the_program) {
  ASSERT_EQ(fileio_init(), 1);
  list_node* search = list_create();
  list_append(nullptr, search);
  pf_dir broken = {const_cast<char*>("DATA/"), search};
  EXPECT_EXIT(pfopen(&broken, "a.txt", "rb"), ::testing::ExitedWithCode(0), "Path: DATA/, corrupt");
  EXPECT_EXIT(pffopen(&broken, "a.txt", "rb"), ::testing::ExitedWithCode(0), "Path: DATA/, corrupt");
  EXPECT_EXIT((refuse_requests(refused_layer::pool, 1, false), pffopen(&broken, "a.txt", "rb")),
              ::testing::ExitedWithCode(0), "pffopen\\(\\): out of memory");
  list_destroy(search);
  fileio_tidyup();
}
