// File handling of the fastfile tool: names, paths, and outputs replaced only when whole.
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "filelib/fileio_os.h"
#include "tools/fastfile/fastfile_tool.h"
#include "tools/fastfile/tool_system.h"
#include "tools/replace_path.h"

void tool_message(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  std::fputs("fastfile: ", stderr);
  std::vfprintf(stderr, format, arguments);
  std::fputc('\n', stderr);
  va_end(arguments);
}

namespace {

// "/" separates everywhere; where the library's separator is "\" (Windows), so do "\" and
// a drive's ":".
int is_separator(char c) {
  return c == '/' || c == fileio_separator || (fileio_separator == '\\' && c == ':');
}

}  // namespace

int tool_member_name(const char* path, char* name) {
  const char* base = path;
  for (const char* c = path; *c != '\0'; ++c)
    if (is_separator(*c)) base = c + 1;
  std::size_t length = std::strlen(base);
  if (length == 0 || length > std::size_t(pff_name_limit)) return 0;
  for (std::size_t i = 0; i <= length; ++i)
    name[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(base[i])));
  return 1;
}

int tool_name_is_plain_file(const char* name) {
  if (name[0] == '\0' || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return 0;
  for (const char* c = name; *c != '\0'; ++c)
    if (*c == '/' || *c == '\\' || *c == ':' || std::iscntrl(static_cast<unsigned char>(*c))) return 0;
  return 1;
}

int tool_join_path(char* out, const char* directory, const char* name) {
  const char separator[] = {fileio_separator, '\0'};
  std::size_t length = std::strlen(directory);
  const char* glue = (length == 0 || is_separator(directory[length - 1])) ? "" : separator;
  int written = std::snprintf(out, FILEIO_PATH_LIMIT + 1, "%s%s%s", directory, glue, name);
  return written > 0 && std::size_t(written) <= FILEIO_PATH_LIMIT;
}

std::FILE* tool_open_for_reading(const char* path) {
  char full[FILEIO_PATH_LIMIT + 1];
  if (!fileio_os_full_path(full, path)) {
    errno = ENAMETOOLONG;
    return nullptr;
  }
  return fileio_os_open(full, "rb");
}

pf_file* tool_replace_open(const char* target) {
  const char* why = nullptr;
  pf_file* file = replace_path_open(target, &why);
  if (file == nullptr)
    tool_message("%s: cannot be written: %s", target,
                 why != nullptr ? why : tool_system_message(pfreplace_error()));
  return file;
}

int tool_replace_commit(pf_file* file, const char* target) {
  if (pfreplace_commit(file)) return 1;
  tool_message("%s: could not be written: %s", target, tool_system_message(pfreplace_error()));
  return 0;
}
