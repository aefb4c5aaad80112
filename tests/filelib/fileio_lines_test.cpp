// Reading text lines: every line end, the capacity rules and the archive end marker.
#include "fileio_test_support.h"

class text_lines : public fileio_dir_test {
 protected:
  pf_file* open_with(const std::string& bytes) {
    write_bytes(in_base("lines.dat"), bytes);
    return pfopen(dir, "lines.dat", "rb");
  }

  // The lines pfgets reads before it returns 0 (at most 20), each read as an archive
  // member at offset 0 when one is given. The read that returns 0 must leave "".
  std::vector<std::string> read_all(const std::string& bytes, int capacity, pff_entry* member) {
    std::vector<std::string> lines;
    pf_file* file = open_with(bytes);
    if (!file) return {"(not opened)"};
    file->entry = member;
    std::vector<char> buffer(static_cast<std::size_t>(capacity), '#');
    while (lines.size() < 20 && pfgets(file, buffer.data(), capacity) == 1) lines.push_back(buffer.data());
    EXPECT_STREQ(buffer.data(), "");
    pfclose(file);
    return lines;
  }
};

TEST_F(text_lines, line_ends_capacities_and_the_end_marker) {
  std::string long_line;
  for (int i = 0; i < 200; ++i) long_line += static_cast<char>('a' + i % 26);
  pff_entry two_bytes = {"LINES.DAT", 0, 2, 0};
  pff_entry three_bytes = {"LINES.DAT", 0, 3, 0};
  const struct {
    std::string bytes;
    int capacity;
    pff_entry* member;
    std::vector<std::string> lines;
  } cases[] = {
      {"A\rB", 127, nullptr, {"A", "B"}},
      {"A\nB\n", 127, nullptr, {"A", "B"}},
      {"A\r\nB\r\n", 127, nullptr, {"A", "B"}},
      {"A\n\rB\n\r", 127, nullptr, {"A", "B"}},
      {"A\r\rB", 127, nullptr, {"A", "", "B"}},
      {"A\n\nB", 127, nullptr, {"A", "", "B"}},
      {"A\n\r\r\nB", 127, nullptr, {"A", "", "B"}},
      {"\r\n", 127, nullptr, {""}},
      {"last", 127, nullptr, {"last"}},
      {"", 127, nullptr, {}},
      // A long line comes in pieces without losing a character.
      {long_line + "\r\nnext\r\n", 127, nullptr, {long_line.substr(0, 126), long_line.substr(126), "next"}},
      // A line that exactly fills the buffer still has its terminator consumed with it.
      {"abc\r\nd", 4, nullptr, {"abc", "d"}},
      {"ab\n", 2, nullptr, {"a", "b"}},
      // A marker right after an archive member ends it for good, also after a CR; inside
      // the member, or in a file from disk, it is an ordinary character.
      {"AB\x1A"
       "CD\r\n",
       127,
       &two_bytes,
       {"AB"}},
      {"ABCD\r\x1A"
       "EF",
       127,
       &two_bytes,
       {"ABCD"}},
      {"AB\x1A"
       "CD\r\n",
       127,
       &three_bytes,
       {"AB\x1A"
        "CD"}},
      {"AB\x1A"
       "CD",
       127,
       nullptr,
       {"AB\x1A"
        "CD"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes.substr(0, 12)) + " capacity " + std::to_string(c.capacity));
    EXPECT_EQ(read_all(c.bytes, c.capacity, c.member), c.lines);
  }
}

TEST_F(text_lines, small_capacities_and_missing_streams_read_nothing) {
  pf_file* file = open_with("AB\r\n");
  ASSERT_NE(file, nullptr);
  char buffer[4] = {'x', 'y', 'z', 'w'};
  EXPECT_EQ(pfgets(file, buffer + 1, 1), 0);
  EXPECT_EQ(std::string(buffer, 4), std::string("x\0zw", 4));
  EXPECT_EQ(pfgets(file, buffer + 1, 0), 0);
  EXPECT_EQ(pfgets(file, buffer + 1, -3), 0);
  EXPECT_EQ(std::string(buffer, 4), std::string("x\0zw", 4));
  EXPECT_EQ(pfgets(file, nullptr, 0), 0);
  // Nothing was taken from the stream.
  char line[8];
  EXPECT_EQ(pfgets(file, line, sizeof line), 1);
  EXPECT_STREQ(line, "AB");
  pfclose(file);

  EXPECT_EQ(pfgets(nullptr, line, sizeof line), 0);
  pf_file streamless = {nullptr, nullptr, nullptr, 1};
  EXPECT_EQ(pfgets(&streamless, line, sizeof line), 0);
  EXPECT_EQ(pfputs(&streamless, "x"), 0);
}
