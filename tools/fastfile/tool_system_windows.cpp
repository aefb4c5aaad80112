// The archive tool's system calls on Windows: file attributes, the Find calls, and the
// system's message table.
#include "tools/fastfile/tool_system.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "filelib/fileio.h"

tool_path_kind tool_path_kind_of(const char* path, unsigned long* error) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_DRIVE ||
        code == ERROR_BAD_NETPATH)
      return tool_path_missing;
    *error = code;
    return tool_path_unknown;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return tool_path_folder;
  return (attributes & FILE_ATTRIBUTE_DEVICE) != 0 ? tool_path_other : tool_path_regular;
}

int tool_folder_names(const char* folder, void (*visit)(const char* name, void* context), void* context,
                      unsigned long* error) {
  // The pattern is the folder's own path with "\*" after it, or "*" alone where the path
  // already ends in a separator or a drive's colon.
  char pattern[FILEIO_PATH_LIMIT + 3];
  const std::size_t length = std::strlen(folder);
  const char* glue = length == 0 || std::strchr("\\/:", folder[length - 1]) != nullptr ? "*" : "\\*";
  const int written = std::snprintf(pattern, sizeof pattern, "%s%s", folder, glue);
  if (written < 0 || std::size_t(written) >= sizeof pattern) {
    *error = ERROR_FILENAME_EXCED_RANGE;
    return 0;
  }
  WIN32_FIND_DATAA entry;
  HANDLE listing = FindFirstFileA(pattern, &entry);
  if (listing == INVALID_HANDLE_VALUE) {
    // Only a drive's empty root has no entry at all, not even "." and "..".
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return 1;
    *error = GetLastError();
    return 0;
  }
  do {
    if (std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0)
      visit(entry.cFileName, context);
  } while (FindNextFileA(listing, &entry));
  const DWORD ended = GetLastError();
  FindClose(listing);
  if (ended == ERROR_NO_MORE_FILES) return 1;
  *error = ended;
  return 0;
}

const char* tool_system_message(unsigned long code) {
  static char message[256];
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      static_cast<DWORD>(code), 0, message, sizeof message, nullptr);
  if (length == 0) {
    std::snprintf(message, sizeof message, "system error %lu", code);
    return message;
  }
  // The system's messages end in a full stop and a line end, which the tool's lines add
  // themselves.
  std::size_t end = length;
  while (end > 0 && std::strchr("\r\n. ", message[end - 1]) != nullptr) --end;
  message[end] = '\0';
  return message;
}
