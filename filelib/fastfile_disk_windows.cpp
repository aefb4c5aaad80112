// Finding the archive file on Windows, whose file systems ignore letter case themselves:
// the path is taken as written, upper-cased so that every spelling of it is one.
#include "filelib/fastfile_disk.h"

#include <cctype>
#include <cstring>

int pff_disk_resolve(const char* path, char* real, std::size_t capacity) {
  std::size_t length = std::strlen(path);
  if (length >= capacity) return 0;
  for (std::size_t i = 0; i <= length; ++i)
    real[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(path[i])));
  return 1;
}
