// Bounded path composition and pooled text copies.
#include "filelib/fileio_internal.h"

#include <cstring>

#include "filelib/fileio_os.h"
#include "support/pool.h"

int fileio_compose(char* out, const char* first, const char* second, const char* third) {
  const char* parts[3] = {first, second, third};
  std::size_t length = 0;
  out[0] = '\0';
  for (const char* part : parts) {
    const std::size_t part_length = std::strlen(part);
    if (part_length > FILEIO_PATH_LIMIT - length) {
      out[0] = '\0';
      return 0;
    }
    std::memcpy(out + length, part, part_length);
    length += part_length;
  }
  out[length] = '\0';
  return 1;
}

int fileio_append_separator(char* path) {
  const std::size_t length = std::strlen(path);
  if (length == 0 || path[length - 1] == fileio_separator) return 1;
  if (length >= FILEIO_PATH_LIMIT) return 0;
  path[length] = fileio_separator;
  path[length + 1] = '\0';
  return 1;
}

char* fileio_text_new(const char* text) {
  const std::size_t size = std::strlen(text) + 1;
  char* copy = static_cast<char*>(pool_alloc(static_cast<std::uint32_t>(size)));
  if (copy) std::memcpy(copy, text, size);
  return copy;
}

void fileio_text_free(char* text) {
  if (text) pool_free(text, static_cast<std::uint32_t>(std::strlen(text) + 1));
}
