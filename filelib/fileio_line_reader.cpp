// pfgets: one text line per call, ended by CR, LF, CR LF or LF CR, and for archive members
// by an end marker at or past the member's end. The line is found and copied in place in
// the stream's own buffer, a word at a time; single characters go through the C library
// only where that buffer runs dry, so every byte is handed out as a character read would
// hand it out and another reader of the stream carries on at the right byte.
#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "filelib/fastfile.h"
#include "filelib/fastfile_format.h"
#include "filelib/fileio.h"
#include "filelib/fileio_internal.h"
#include "filelib/fileio_os.h"

namespace {

// One character of a line through the C library. A member of an archive ends at a marker
// byte lying at or past its end; the marker stays in the stream so every later read ends
// there too.
int read_char(std::FILE* stream, const pff_entry* entry) {
  const int c = fileio_os_getc(stream);
  if (c != pff_end_marker || !entry) return c;
  const std::int64_t position = fileio_os_tell(stream);
  const std::uint64_t member_end = std::uint64_t(entry->offset) + entry->size;
  if (position >= 0 && member_end < static_cast<std::uint64_t>(position)) {
    std::ungetc(c, stream);
    return EOF;
  }
  return c;
}

}  // namespace

// Bytes with every byte set to the given value.
constexpr std::uint64_t repeated(unsigned char value) {
  return 0x0101010101010101ull * value;
}

namespace {

// High bit of each byte of `word` that equals `value`, and possibly of bytes after the
// first such byte (a borrow runs on), never of bytes before it.
inline std::uint64_t bytes_equal(std::uint64_t word, unsigned char value) {
  const std::uint64_t difference = word ^ repeated(value);
  return (difference - repeated(1)) & ~difference & repeated(0x80);
}

inline int is_stop(unsigned char byte) {
  return byte == carriage_return || byte == line_feed || byte == pff_end_marker;
}

// Copies the bytes before the first CR, LF or end marker among `count` to `out` and
// returns their number (`count` when there is no such byte). Sixteen bytes are tested at
// once where SSE2 is there, then eight in a word; the lowest flagged byte is the stop.
std::size_t copy_text(char* out, const unsigned char* bytes, std::size_t count) {
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the first byte is the word's lowest");
  std::size_t at = 0;
#ifdef __SSE2__
  const __m128i cr = _mm_set1_epi8(carriage_return);
  const __m128i lf = _mm_set1_epi8(line_feed);
  const __m128i marker = _mm_set1_epi8(static_cast<char>(pff_end_marker));
  for (; at + 16 <= count; at += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
    const __m128i stops = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)),
                                       _mm_cmpeq_epi8(block, marker));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(stops));
    if (mask != 0) {
      const std::size_t text = static_cast<std::size_t>(__builtin_ctz(mask));
      std::memcpy(out + at, bytes + at, text);
      return at + text;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), block);
  }
#endif
  for (; at + 8 <= count; at += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + at, 8);
    const std::uint64_t stops =
        bytes_equal(word, carriage_return) | bytes_equal(word, line_feed) | bytes_equal(word, pff_end_marker);
    if (stops != 0) {
      const std::size_t text = static_cast<std::size_t>(__builtin_ctzll(stops)) / 8;
      std::memcpy(out + at, bytes + at, text);
      return at + text;
    }
    std::memcpy(out + at, &word, 8);
  }
  for (; at < count && !is_stop(bytes[at]); ++at) out[at] = static_cast<char>(bytes[at]);
  return at;
}

// Takes the next character when it is `wanted` and returns 1; any other stays in the
// stream for the next read.
inline int take_if(std::FILE* stream, const pff_entry* entry, int wanted) {
  const unsigned char* bytes;
  if (fileio_os_buffered(stream, &bytes) != 0) {
    if (bytes[0] != wanted) return 0;
    fileio_os_consume(stream, 1);
    return 1;
  }
  const int c = read_char(stream, entry);
  if (c == wanted) return 1;
  if (c != EOF) std::ungetc(c, stream);
  return 0;
}

}  // namespace

int pfgets(pf_file* file, char* buffer, int capacity) {
  if (!buffer || capacity < 1) return 0;
  buffer[0] = '\0';
  // A buffer with room for the terminator alone can take no character of a line, so
  // nothing is read and the line stays for a larger buffer.
  if (capacity < 2 || !file || !file->stream) return 0;

  std::FILE* const stream = file->stream;
  const pff_entry* const entry = file->entry;
  const std::size_t limit = static_cast<std::size_t>(capacity) - 1;
  std::size_t stored = 0;
  int end;  // what ended the line: CR, LF, EOF, or 0 when the buffer filled first
  for (;;) {
    if (stored == limit) {
      // A line end right after a full buffer still belongs to this line; anything else
      // begins the next call's line.
      end = take_if(stream, entry, carriage_return) ? carriage_return
            : take_if(stream, entry, line_feed)     ? line_feed
                                                    : 0;
      break;
    }
    const unsigned char* bytes;
    const std::size_t buffered = fileio_os_buffered(stream, &bytes);
    if (buffered == 0) {
      end = read_char(stream, entry);
      if (end == EOF || end == carriage_return || end == line_feed) break;
      buffer[stored++] = static_cast<char>(end);
      continue;
    }
    const std::size_t window = buffered < limit - stored ? buffered : limit - stored;
    const std::size_t text = copy_text(buffer + stored, bytes, window);
    stored += text;
    fileio_os_consume(stream, text);
    if (text == window) continue;
    end = bytes[text];
    if (end == carriage_return || end == line_feed) {
      fileio_os_consume(stream, 1);
      break;
    }
    // An end marker: the member's end, or an ordinary character of the text.
    end = read_char(stream, entry);
    if (end == EOF) break;
    buffer[stored++] = static_cast<char>(end);
  }
  buffer[stored] = '\0';

  // CR LF and LF CR are one terminator; CR CR and LF LF end this line and the next.
  if (end == carriage_return) take_if(stream, entry, line_feed);
  if (end == line_feed) take_if(stream, entry, carriage_return);
  return stored > 0 || end != EOF;
}
