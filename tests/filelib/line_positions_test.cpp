// pfgets reads lines in place in the stream's buffer and falls back to single characters
// where the buffer runs dry. Wherever the buffer's edges fall, every call must give the
// same line, result and stream position (what another reader of the stream sees next)
// as with the whole file in one buffer.
#include <tuple>

#include "filelib/fastfile.h"
#include "scratch.h"

namespace {

// Result, line and position after each call until pfgets returns 0.
using line_read = std::tuple<int, std::string, long>;

std::vector<line_read> read_lines(pf_file* file, int capacity, std::size_t buffer_size) {
  std::vector<char> stream_buffer(buffer_size);
  EXPECT_EQ(std::setvbuf(file->stream, stream_buffer.data(), _IOFBF, buffer_size), 0);
  std::vector<line_read> reads;
  std::vector<char> line(static_cast<std::size_t>(capacity));
  int result = 1;
  while (result == 1 && reads.size() < 60) {
    result = pfgets(file, line.data(), capacity);
    reads.emplace_back(result, line.data(), std::ftell(file->stream));
  }
  pfclose(file);
  return reads;
}

}  // namespace

TEST_F(fileio_test, lines_and_positions_do_not_depend_on_where_the_buffer_ends) {
  const std::string text = "ab\r\ncd\n\refg\r\rh\n\nijklmnopq\r\032st\032\r\nuvwxyz0123456789ABCDEFGH\n\r\n";
  write_bytes(in_base("lines.dat"), text);
  // As a member, the first marker lies inside it and the second at its end.
  pff_entry member = {"LINES.DAT", 0, std::uint32_t(text.find("st\032") + 2), 0};
  for (pff_entry* entry : {static_cast<pff_entry*>(nullptr), &member}) {
    for (int capacity : {2, 4, 127}) {
      pf_file* whole = pfopen(dir, "lines.dat", "rb");
      ASSERT_NE(whole, nullptr);
      whole->entry = entry;
      const std::vector<line_read> expected = read_lines(whole, capacity, 4096);
      for (std::size_t size : {2, 3, 5, 16}) {
        SCOPED_TRACE("member " + std::to_string(entry != nullptr) + ", capacity " + std::to_string(capacity) +
                     ", buffer " + std::to_string(size));
        pf_file* file = pfopen(dir, "lines.dat", "rb");
        ASSERT_NE(file, nullptr);
        file->entry = entry;
        EXPECT_EQ(read_lines(file, capacity, size), expected);
      }
    }
  }
}
