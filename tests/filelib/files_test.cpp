// Opening, closing and testing for files through directory handles, reading and writing
// lines, and the report of files still open at tidy-up.
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "filelib/fastfile.h"
#include "scratch.h"
#include "seams.h"

using stream_files = fileio_test;

TEST_F(stream_files, open_exists_and_close_through_absolute_and_relative_handles) {
  const std::string relative_name = std::string("data") + sep + "a.txt";
  make_directory(in_base("data"));
  make_directory(in_base("folder.dat"));
  write_bytes(in_base(relative_name), "x");
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
  EXPECT_EQ(pfclose(file) + pfclose(same) + pfclose(nullptr), 2);
  EXPECT_EQ(pfexists(dir, relative_name.c_str()), 1);
  EXPECT_TRUE(file_is_closed(in_base(relative_name)));
  for (const char* absent : {"folder.dat", "absent.dat"}) EXPECT_EQ(pfexists(dir, absent), 0) << absent;
  EXPECT_EQ(pfopen(nullptr, "absent.dat", "rb"), nullptr);

  // A handle whose search list is empty tries nothing, not even the current directory.
  pf_dir empty_search = {const_cast<char*>(""), list_create()};
  set_current_directory(in_base("data"));
  EXPECT_EQ(pfopen(&empty_search, "a.txt", "rb"), nullptr);
  list_destroy(empty_search.search);

  // Names over the limit are refused, and nothing is made under a cut-short name.
  const std::size_t room = FILEIO_PATH_LIMIT - base.size() - 1;
  for (std::size_t length : {room + 1, std::size_t(400)})
    EXPECT_EQ(pfopen(dir, std::string(length, 'n').c_str(), "wb"), nullptr);
  EXPECT_FALSE(std::filesystem::exists(in_base(std::string(room, 'n'))));
  if (sep == '\\') return;  // Windows refuses the longest name itself
  pf_file* longest = pfopen(dir, std::string(room, 'n').c_str(), "wb");
  ASSERT_NE(longest, nullptr);
  EXPECT_EQ(std::strlen(longest->name), FILEIO_PATH_LIMIT);
  pfclose(longest);
}

TEST_F(stream_files, the_first_mode_letter_decides_binary_and_binary_handles_write_cr_lf) {
  for (auto [mode, binary] :
       {std::pair{"r", 1}, {"rb", 1}, {"rt", 0}, {"rB", 1}, {"rT", 0}, {"rtb", 0}, {"rbt", 1}, {"r+b", 1}}) {
    write_bytes(in_base("m.dat"), "");
    pf_file* file = pfopen(dir, "m.dat", mode);
    ASSERT_NE(file, nullptr) << mode;
    EXPECT_EQ(file->binary, binary) << mode;
    EXPECT_EQ(pfclose(file), 1);
  }
  const std::string text_end = sep == '/' ? "\n" : "\r\n";  // the runtime's text mode
  for (auto [mode, written] : {std::pair<const char*, std::string>{"wb", "FOG\r\n\r\n"},
                               {"w", "FOG\r\n\r\n"},
                               {"wt", "FOG" + text_end + text_end}}) {
    pf_file* file = pfopen(dir, "frontend.dat", mode);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(pfputs(file, "FOG") + pfputs(file, ""), 2);
    EXPECT_EQ(pfclose(file), 1);
    EXPECT_EQ(read_bytes(in_base("frontend.dat")), written) << mode;
  }
  // Streams opened directly stay untranslated by default after the library opened files.
  std::FILE* direct = std::fopen(in_base("direct.txt").c_str(), "w");
  std::fputs("line\n", direct);
  std::fclose(direct);
  EXPECT_EQ(read_bytes(in_base("direct.txt")), "line\n");
  pf_file* read_only = pfopen(dir, "frontend.dat", "rb");
  EXPECT_EQ(pfputs(read_only, "FOG") + pfputs(nullptr, "FOG"), 0);  // a failed write reports failure
  pfclose(read_only);
}

TEST_F(stream_files, lines_end_at_every_terminator_capacity_and_member_end) {
  std::string long_line;
  for (int i = 0; i < 200; ++i) long_line += static_cast<char>('a' + i % 26);
  pff_entry two_bytes = {"LINES.DAT", 0, 2, 0}, three_bytes = {"LINES.DAT", 0, 3, 0};
  const struct {
    std::string bytes;
    int capacity;
    pff_entry* member;  // read as an archive member at offset 0
    std::vector<std::string> lines;
  } cases[] = {
      // clang-format off
      // Every kind of line end in one text; fuzz/fuzz_line_reader.cpp checks any bytes
      // against a plain reading, natively.
      {"A\rB\nC\r\nD\n\rE\r\rF\n\nG", 127, nullptr, {"A", "B", "C", "D", "E", "", "F", "", "G"}},
      // A long line comes in pieces without losing a character; a line that exactly fills
      // the buffer still has its terminator consumed with it.
      {long_line + "\r\nnext\r\n", 127, nullptr, {long_line.substr(0, 126), long_line.substr(126), "next"}},
      {"abc\r\nd", 4, nullptr, {"abc", "d"}},     {"ab\n", 2, nullptr, {"a", "b"}},
      // A marker at or past an archive member's end ends it for good, also after a CR;
      // inside the member, or in a file from disk, it is an ordinary character.
      {"AB\032CD\r\n", 127, &two_bytes, {"AB"}},  {"ABCD\r\032EF", 127, &two_bytes, {"ABCD"}},
      {"AB\032CD\r\n", 127, &three_bytes, {"AB\032CD"}}, {"AB\032CD", 127, nullptr, {"AB\032CD"}},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes.substr(0, 12)) + " capacity " + std::to_string(c.capacity));
    write_bytes(in_base("lines.dat"), c.bytes);
    pf_file* file = pfopen(dir, "lines.dat", "rb");
    ASSERT_NE(file, nullptr);
    file->entry = c.member;
    std::vector<std::string> lines;
    std::vector<char> buffer(static_cast<std::size_t>(c.capacity), '#');
    while (lines.size() < 20 && pfgets(file, buffer.data(), c.capacity) == 1) lines.push_back(buffer.data());
    EXPECT_STREQ(buffer.data(), "");  // the read that returns 0 leaves an empty buffer
    EXPECT_EQ(lines, c.lines);
    pfclose(file);
  }

  // Buffers with no room for a character read nothing and take nothing from the stream.
  write_bytes(in_base("lines.dat"), "AB\r\n");
  pf_file* file = pfopen(dir, "lines.dat", "rb");
  char buffer[4] = {'x', 'y', 'z', 'w'};
  EXPECT_EQ(pfgets(file, buffer + 1, 1) + pfgets(file, buffer + 1, 0) + pfgets(file, buffer + 1, -3), 0);
  EXPECT_EQ(std::string(buffer, 4), std::string("x\0zw", 4));
  EXPECT_EQ(pfgets(file, buffer, sizeof buffer), 1);
  EXPECT_STREQ(buffer, "AB");
  pfclose(file);
  pf_file streamless = {nullptr, nullptr, nullptr, 1};
  EXPECT_EQ(pfgets(nullptr, buffer, 4) + pfgets(&streamless, buffer, 4) + pfputs(&streamless, "x"), 0);
}

TEST_F(stream_files, tidyup_reports_and_closes_each_open_file_once) {
  write_bytes(in_base("one.dat"), "1");
  write_bytes(in_base("two.dat"), "2");
  ASSERT_TRUE(pfopen(dir, "one.dat", "rb") && pfopen(dir, "two.dat", "rb"));
  fileio_tidyup();
  const auto notice = [&](const char* name) {
    return std::pair<std::string, std::string>{
        "FIOWARN", "fileio notice: file, " + in_base(name) + ", still open at fileio_tidyup"};
  };
  EXPECT_EQ(debug_records(), (std::vector{notice("one.dat"), notice("two.dat")}));
  EXPECT_TRUE(fileio_files == nullptr && fileio_dirs == nullptr && fileio_paths == nullptr);
  EXPECT_EQ(fileio_program_dir, nullptr);
  EXPECT_TRUE(file_is_closed(in_base("one.dat")) && file_is_closed(in_base("two.dat")));
}
