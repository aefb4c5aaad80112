// Finding the archive file on Windows, whose file systems ignore letter case themselves:
// the path is taken as written.
#include "filelib/fastfile_disk.h"

#include <cstring>

int pff_disk_resolve(const char* path, char* real, std::size_t capacity) {
  std::size_t length = std::strlen(path);
  if (length >= capacity) return 0;
  std::memcpy(real, path, length + 1);
  return 1;
}
