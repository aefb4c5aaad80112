// pfgets over arbitrary bytes, with every capacity from 1 up to a little past the input's
// length (up to 302; beyond that the capacities the menu uses and the input's length). Each call's
// buffer is exactly `capacity` bytes of heap, so AddressSanitizer sees any write past it; the text
// must be terminated inside it; and the sequence of lines must be the one a plain reading of the
// bytes gives: nothing lost, nothing invented, CR, LF, CR LF and LF CR each ending one line.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "filelib/fileio.h"
#include "fuzz_scratch.h"

namespace {

constexpr int carriage_return = 13;
constexpr int line_feed = 10;
constexpr int no_char = -1;

// What one pfgets call should give, read from the bytes at *position.
struct expected_line {
  int result;
  std::string text;
};

expected_line reference_line(const std::uint8_t* data, std::size_t size, std::size_t* position,
                             int capacity) {
  auto next = [&]() -> int { return *position < size ? data[(*position)++] : no_char; };
  expected_line line{0, ""};
  int c = next();
  while (static_cast<int>(line.text.size()) < capacity - 1 && c != no_char && c != carriage_return &&
         c != line_feed) {
    line.text.push_back(static_cast<char>(c));
    c = next();
  }
  if (c == carriage_return || c == line_feed) {
    int d = next();
    bool pair = (c == carriage_return && d == line_feed) || (c == line_feed && d == carriage_return);
    if (d != no_char && !pair) --*position;
  } else if (c != no_char) {
    --*position;
  }
  line.result = !line.text.empty() || c != no_char;
  return line;
}

pf_dir* scratch_handle() {
  static pf_dir* dir = nullptr;
  if (dir == nullptr) {
    fileio_init();
    dir = pfdir_new(fuzz_scratch_dir().c_str(), nullptr);
    FUZZ_CHECK(dir != nullptr);
  }
  return dir;
}

void read_with_capacity(pf_dir* dir, const std::uint8_t* data, std::size_t size, int capacity) {
  pf_file* file = pfopen(dir, "lines.dat", "rb");
  FUZZ_CHECK(file != nullptr);
  std::vector<char> storage(static_cast<std::size_t>(capacity));
  char* buffer = storage.data();
  std::size_t position = 0;
  // Every call that yields a line consumes at least one byte, so this many calls suffice.
  for (std::size_t calls = 0; calls <= size + 1; ++calls) {
    std::memset(buffer, 'X', static_cast<std::size_t>(capacity));
    int result = pfgets(file, buffer, capacity);
    FUZZ_CHECK(std::memchr(buffer, '\0', static_cast<std::size_t>(capacity)) != nullptr);
    if (capacity < 2) {
      // No character fits beside the terminator: nothing is read.
      FUZZ_CHECK(result == 0 && buffer[0] == '\0');
      break;
    }
    expected_line expected = reference_line(data, size, &position, capacity);
    FUZZ_CHECK(result == expected.result);
    FUZZ_CHECK(std::memcmp(buffer, expected.text.data(), expected.text.size()) == 0);
    FUZZ_CHECK(buffer[expected.text.size()] == '\0');
    if (result == 0) {
      FUZZ_CHECK(buffer[0] == '\0' && position == size);
      break;
    }
  }
  FUZZ_CHECK(pfclose(file) == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pf_dir* dir = scratch_handle();
  fuzz_write_file(fuzz_scratch_dir() + "/lines.dat", data, size);
  const int longest = static_cast<int>(size < 300 ? size : 300) + 2;
  for (int capacity = 1; capacity <= longest; ++capacity) read_with_capacity(dir, data, size, capacity);
  const int whole = static_cast<int>(size < 1 << 20 ? size : 1 << 20);
  for (int capacity : {127, 255, 519, 520, whole + 1, whole + 2}) {
    if (capacity > longest) read_with_capacity(dir, data, size, capacity);
  }
  FUZZ_CHECK(fileio_files->next == fileio_files);
  return 0;
}
