// The archive tool's system calls on Linux. They are POSIX's own (stat, opendir, readdir,
// strerror), but the tree builds and tests them on Linux alone; another system that they
// serve is checked and added here.
#if !defined(__linux__)
#error "tool_system_posix.cpp serves Linux; other systems need checking first"
#endif

#include "tools/fastfile/tool_system.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

tool_path_kind tool_path_kind_of(const char* path, unsigned long* error) {
  struct stat info;
  if (stat(path, &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return tool_path_missing;
    *error = static_cast<unsigned long>(errno);
    return tool_path_unknown;
  }
  if (S_ISREG(info.st_mode)) return tool_path_regular;
  return S_ISDIR(info.st_mode) ? tool_path_folder : tool_path_other;
}

int tool_folder_names(const char* folder, void (*visit)(const char* name, void* context), void* context,
                      unsigned long* error) {
  DIR* listing = opendir(folder);
  if (listing == nullptr) {
    *error = static_cast<unsigned long>(errno);
    return 0;
  }
  // readdir gives no way to tell its end from its failure but errno.
  errno = 0;
  while (const struct dirent* entry = readdir(listing)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
      visit(entry->d_name, context);
    errno = 0;
  }
  const int listed = errno == 0;
  if (!listed) *error = static_cast<unsigned long>(errno);
  closedir(listing);
  return listed;
}

const char* tool_system_message(unsigned long code) {
  return std::strerror(static_cast<int>(code));
}
