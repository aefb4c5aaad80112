// Platform side of the fast-file reader: letter-case matching of archive paths, file size
// and 32-bit positions beyond what a long can hold on Windows.
#include "filelib/fastfile_disk.h"

#include <cstring>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>
#else
#include <dirent.h>
#include <strings.h>
#include <unistd.h>
#endif

#ifdef _WIN32

int pff_disk_resolve(const char* path, char* real, std::size_t capacity) {
  std::size_t length = std::strlen(path);
  if (length >= capacity) return 0;
  std::memcpy(real, path, length + 1);
  return 1;
}

int pff_disk_size(std::FILE* stream, std::uint64_t* size) {
  struct _stati64 info;
  if (_fstati64(_fileno(stream), &info) != 0 || info.st_size < 0) return 0;
  *size = static_cast<std::uint64_t>(info.st_size);
  return 1;
}

int pff_disk_seek(std::FILE* stream, std::uint32_t offset) {
  return _fseeki64(stream, static_cast<__int64>(offset), SEEK_SET) == 0;
}

#else

// Replaces the last component of `real` (which starts at `component`) with the directory
// entry that matches it ignoring letter case. The directory is what precedes it.
static int resolve_component(char* real, std::size_t component) {
  struct stat info;
  if (stat(real, &info) == 0) return 1;

  char saved = real[component];
  real[component] = '\0';
  DIR* directory = opendir(component == 0 ? "." : real);
  real[component] = saved;
  if (directory == nullptr) return 0;

  // A match equals `wanted` ignoring ASCII case, so it has the same length.
  const char* wanted = real + component;
  std::size_t length = std::strlen(wanted);
  char best[256];
  int found = 0;
  while (struct dirent* entry = readdir(directory)) {
    if (length >= sizeof best || strcasecmp(entry->d_name, wanted) != 0) continue;
    if (!found || std::strcmp(entry->d_name, best) < 0) {
      std::memcpy(best, entry->d_name, length + 1);
      found = 1;
    }
  }
  closedir(directory);
  if (found) std::memcpy(real + component, best, length);
  return found;
}

int pff_disk_resolve(const char* path, char* real, std::size_t capacity) {
  std::size_t length = std::strlen(path);
  if (length >= capacity) return 0;
  std::memcpy(real, path, length + 1);

  std::size_t start = 0;
  while (start < length) {
    std::size_t end = start;
    while (end < length && real[end] != '/') ++end;
    if (end > start) {
      char saved = real[end];
      real[end] = '\0';
      int found = resolve_component(real, start);
      real[end] = saved;
      if (!found) return 0;
    }
    start = end + 1;
  }
  return 1;
}

int pff_disk_size(std::FILE* stream, std::uint64_t* size) {
  struct stat info;
  if (fstat(fileno(stream), &info) != 0 || info.st_size < 0) return 0;
  *size = static_cast<std::uint64_t>(info.st_size);
  return 1;
}

int pff_disk_seek(std::FILE* stream, std::uint32_t offset) {
  return fseeko(stream, static_cast<off_t>(offset), SEEK_SET) == 0;
}

#endif
