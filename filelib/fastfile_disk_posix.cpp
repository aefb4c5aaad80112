// Finding the archive file on Linux, whose file systems tell letter case apart: the file
// name is matched ignoring letter case. Directory times are read from st_mtim (Linux).
#if !defined(__linux__)
#error "fastfile_disk_posix.cpp serves Linux; other systems need a file of their own"
#endif

#include "filelib/fastfile_disk.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <time.h>

#include <cerrno>
#include <cstring>

#include "filelib/fastfile.h"

namespace {

// What a search of one directory for a name found.
enum component_match { component_found, component_absent, listing_failed };

// Replaces the last component of `real` (which starts at `component`) with the directory
// entry that matches it ignoring letter case. The directory is what precedes it. It is
// absent only when the whole directory was listed without a match.
component_match resolve_component(char* real, std::size_t component) {
  struct stat info;
  if (stat(real, &info) == 0) return component_found;

  char saved = real[component];
  real[component] = '\0';
  DIR* directory = opendir(component == 0 ? "." : real);
  real[component] = saved;
  if (directory == nullptr) return listing_failed;

  // A match equals `wanted` ignoring ASCII case, so it has the same length.
  const char* wanted = real + component;
  std::size_t length = std::strlen(wanted);
  char best[256];
  int found = 0;
  errno = 0;  // readdir ends with errno untouched, or set when it failed
  while (struct dirent* entry = readdir(directory)) {
    if (length >= sizeof best || strcasecmp(entry->d_name, wanted) != 0) continue;
    if (!found || std::strcmp(entry->d_name, best) < 0) {
      std::memcpy(best, entry->d_name, length + 1);
      found = 1;
    }
  }
  const int complete = errno == 0;
  closedir(directory);
  if (!complete) return listing_failed;
  if (found) std::memcpy(real + component, best, length);
  return found ? component_found : component_absent;
}

}  // namespace

// Archive paths last found missing, with their directories' modification times; the
// oldest place is reused when all are taken.
constexpr int remembered_limit = 8;
struct missing_archive {
  char path[pff_archive_path_limit + 1];
  struct timespec directory_modified;
};
namespace {

missing_archive missing[remembered_limit];
int next_place;

// Seconds a directory must have stood unchanged before its absence is remembered: more
// than the two-second clock step of the coarsest file systems.
constexpr time_t settled_seconds = 3;

int same_time(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// 1 when `path` was found missing and its directory, described by `directory`, has not
// changed since.
int known_missing(const char* path, const struct stat& directory) {
  for (const missing_archive& known : missing) {
    if (same_time(known.directory_modified, directory.st_mtim) && std::strcmp(known.path, path) == 0)
      return 1;
  }
  return 0;
}

void remember_missing(const char* path, std::size_t length, const struct stat& directory) {
  if (length > pff_archive_path_limit || directory.st_mtim.tv_sec > time(nullptr) - settled_seconds) return;
  missing_archive* place = &missing[next_place];
  for (missing_archive& known : missing) {
    if (std::strcmp(known.path, path) == 0) place = &known;
  }
  if (place == &missing[next_place]) next_place = (next_place + 1) % remembered_limit;
  std::memcpy(place->path, path, length + 1);
  place->directory_modified = directory.st_mtim;
}

// Matches every component of `real` ignoring letter case, preferring exact spellings.
int resolve_components(char* real, std::size_t length) {
  std::size_t start = 0;
  while (start < length) {
    std::size_t end = start;
    while (end < length && real[end] != '/') ++end;
    if (end > start) {
      char saved = real[end];
      real[end] = '\0';
      const int found = resolve_component(real, start) == component_found;
      real[end] = saved;
      if (!found) return 0;
    }
    start = end + 1;
  }
  return 1;
}

}  // namespace

int pff_disk_resolve(const char* path, char* real, std::size_t capacity) {
  std::size_t length = std::strlen(path);
  if (length >= capacity) return 0;
  std::memcpy(real, path, length + 1);

  const char* separator = std::strrchr(real, '/');
  const std::size_t name = separator ? static_cast<std::size_t>(separator - real) + 1 : 0;
  if (name == length || name > pff_archive_path_limit) return 0;
  // The directory with its separator ("/" for the root), or "." for a bare name.
  char directory[pff_archive_path_limit + 1] = ".";
  if (name != 0) {
    std::memcpy(directory, real, name);
    directory[name] = '\0';
  }

  struct stat info;
  if (stat(directory, &info) != 0 || !S_ISDIR(info.st_mode)) return resolve_components(real, length);
  if (known_missing(path, info)) return 0;
  const component_match match = resolve_component(real, name);
  if (match == component_absent) remember_missing(path, length, info);
  return match == component_found;
}
