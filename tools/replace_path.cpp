// The folder and the name of a path, handed to the file library's replacement.
#include "tools/replace_path.h"

#include <cstring>

#include "filelib/fileio_os.h"

pf_file* replace_path_open(const char* path, const char** why) {
  // The library's replacement works in a directory handle, which wants an absolute folder.
  char folder[FILEIO_PATH_LIMIT + 1];
  if (!fileio_os_full_path(folder, path)) {
    *why = "the path is longer than the file library's limit once made absolute";
    return nullptr;
  }
  char* last_separator = std::strrchr(folder, fileio_separator);
  if (last_separator == nullptr || last_separator[1] == '\0') {
    *why = "it names a folder, not a file";
    return nullptr;
  }
  char name[FILEIO_PATH_LIMIT + 1];
  std::strcpy(name, last_separator + 1);
  last_separator[1] = '\0';
  pf_dir* dir = pfdir_new(folder, nullptr);
  if (dir == nullptr) {
    *why = "its folder does not exist or cannot be entered";
    return nullptr;
  }
  // The replacement keeps its own copy of the target's path, so the handle can go now.
  pf_file* file = pfreplace_open(dir, name);
  pfdir_close(dir);
  *why = nullptr;
  return file;
}
