// Opening, closing and testing for files through directory handles, writing lines, and
// the report of files still open at tidy-up.
#include "fileio_test_support.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "support/list.h"

using stream_files = fileio_dir_test;

TEST_F(stream_files, open_exists_and_close_through_absolute_and_relative_handles) {
  const std::string relative_name = std::string("data") + sep + "a.txt";
  make_directory(in_base("data"));
  write_bytes(in_base(relative_name), "x");
  make_directory(in_base("folder.dat"));
  pf_dir* data = pfdir_new("data", pfpath_new(base.c_str(), nullptr));
  ASSERT_NE(data, nullptr);

  pf_file* file = pfopen(dir, relative_name.c_str(), "rb");
  pf_file* same = pfopen(data, "a.txt", "rb");
  ASSERT_TRUE(file && same);
  EXPECT_EQ(std::string(file->name), in_base(relative_name));
  EXPECT_EQ(std::string(same->name), in_base(relative_name));
  EXPECT_EQ(file->entry, nullptr);
  EXPECT_EQ(list_items(fileio_files), (std::vector<void*>{file, same}));
  pfdir_close(data);  // leaves its files open
  EXPECT_EQ(pfclose(file), 1);
  EXPECT_EQ(pfclose(same), 1);
  EXPECT_EQ(pfclose(nullptr), 0);

  EXPECT_EQ(pfexists(dir, relative_name.c_str()), 1);
  EXPECT_EQ(pfexists(dir, "folder.dat"), 0);
  EXPECT_EQ(pfexists(dir, "absent.dat"), 0);
  EXPECT_EQ(pfopen(dir, "absent.dat", "rb"), nullptr);
  EXPECT_EQ(pfopen(nullptr, "absent.dat", "rb"), nullptr);
  EXPECT_TRUE(list_items(fileio_files).empty());
  EXPECT_TRUE(file_is_closed(in_base(relative_name)));

  // A handle whose search list is empty tries nothing, not even the current directory.
  pf_dir empty_search = {const_cast<char*>(""), list_create()};
  set_current_directory(in_base("data"));
  EXPECT_EQ(pfopen(&empty_search, "a.txt", "rb"), nullptr);
  list_destroy(empty_search.search);
}

TEST_F(stream_files, names_longer_than_the_limit_are_refused) {
  const std::string name(FILEIO_PATH_LIMIT - base.size(), 'n');  // one over with the separator
  EXPECT_EQ(pfopen(dir, name.c_str(), "wb"), nullptr);
  EXPECT_EQ(pfopen(dir, std::string(400, 'n').c_str(), "wb"), nullptr);
  EXPECT_TRUE(list_items(fileio_files).empty());
  EXPECT_TRUE(std::filesystem::is_empty(base));  // nothing made under a cut-short name
  const std::string longest(FILEIO_PATH_LIMIT - base.size() - 1, 'n');
  pf_file* file = pfopen(dir, longest.c_str(), "wb");
#ifndef _WIN32
  // Windows itself refuses names this long; elsewhere the longest path opens.
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(std::strlen(file->name), FILEIO_PATH_LIMIT);
#endif
  pfclose(file);
}

TEST_F(stream_files, a_found_path_that_cannot_be_copied_closes_the_stream) {
  write_bytes(in_base("a.dat"), "x");
  fail_next_pool_alloc_of(static_cast<std::uint32_t>(in_base("a.dat").size() + 1));
  EXPECT_EQ(pfopen(dir, "a.dat", "rb"), nullptr);
  EXPECT_TRUE(list_items(fileio_files).empty());
  EXPECT_TRUE(file_is_closed(in_base("a.dat")));
}

TEST_F(stream_files, the_first_mode_letter_decides_binary) {
  write_bytes(in_base("m.dat"), "");
  const struct {
    const char* mode;
    int binary;
  } cases[] = {
      {"r", 1}, {"rb", 1}, {"rt", 0}, {"rB", 1}, {"rT", 0}, {"rtb", 0}, {"rbt", 1}, {"r+b", 1},
  };
  for (const auto& c : cases) {
    pf_file* file = pfopen(dir, "m.dat", c.mode);
    ASSERT_NE(file, nullptr) << c.mode;
    EXPECT_EQ(file->binary, c.binary) << c.mode;
    EXPECT_EQ(pf_mode_is_binary(c.mode), c.binary) << c.mode;
    EXPECT_EQ(pfclose(file), 1);
  }
}

TEST_F(stream_files, binary_handles_write_cr_lf_and_text_handles_leave_it_to_the_runtime) {
#ifdef _WIN32
  const std::string text_line_end = "\r\n";
#else
  const std::string text_line_end = "\n";
#endif
  const std::pair<const char*, std::string> cases[] = {
      {"wb", "FOG\r\n\r\n"},
      {"w", "FOG\r\n\r\n"},
      {"wt", "FOG" + text_line_end + text_line_end},
  };
  for (const auto& [mode, written] : cases) {
    pf_file* file = pfopen(dir, "frontend.dat", mode);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(pfputs(file, "FOG"), 1);
    EXPECT_EQ(pfputs(file, ""), 1);
    EXPECT_EQ(pfclose(file), 1);
    EXPECT_EQ(read_bytes(in_base("frontend.dat")), written) << mode;
  }
  // Streams opened directly stay untranslated by default after the library opened files.
  std::FILE* direct = std::fopen(in_base("direct.txt").c_str(), "w");
  ASSERT_NE(direct, nullptr);
  std::fputs("line\n", direct);
  std::fclose(direct);
  EXPECT_EQ(read_bytes(in_base("direct.txt")), "line\n");

  pf_file* file = pfopen(dir, "frontend.dat", "rb");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(pfputs(file, "FOG"), 0);  // a failed write reports failure
  EXPECT_EQ(pfputs(nullptr, "FOG"), 0);
  pfclose(file);
}

TEST_F(stream_files, tidyup_reports_and_closes_each_open_file_once) {
  write_bytes(in_base("one.dat"), "1");
  write_bytes(in_base("two.dat"), "2");
  pf_file* one = pfopen(dir, "one.dat", "rb");
  pf_file* two = pfopen(dir, "two.dat", "rb");
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  pfdir_close(dir);

  fileio_tidyup();
  const auto notice = [&](const char* name) {
    return debug_record{"FIOWARN", "fileio notice: file, " + in_base(name) + ", still open at fileio_tidyup"};
  };
  EXPECT_EQ(debug_records(), (std::vector<debug_record>{notice("one.dat"), notice("two.dat")}));
  EXPECT_EQ(fileio_files, nullptr);
  EXPECT_EQ(fileio_dirs, nullptr);
  EXPECT_EQ(fileio_paths, nullptr);
  EXPECT_EQ(fileio_program_dir, nullptr);
  EXPECT_TRUE(file_is_closed(in_base("one.dat")));
  EXPECT_TRUE(file_is_closed(in_base("two.dat")));
}

#ifndef _WIN32
TEST(stream_files_stop, a_corrupt_search_list_stops_the_program) {
  ASSERT_EQ(fileio_init(), 1);
  list_node* search = list_create();
  list_append(nullptr, search);
  pf_dir broken = {const_cast<char*>("DATA/"), search};
  EXPECT_EXIT(pfopen(&broken, "a.txt", "rb"), ::testing::ExitedWithCode(0), "Path: DATA/, corrupt");
  list_destroy(search);
  fileio_tidyup();
}
#endif
