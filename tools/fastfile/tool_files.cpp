// File handling of the fastfile tool: names, sizes, and outputs replaced only when whole.
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "tools/fastfile/fastfile_tool.h"

void tool_error(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  std::fputs("fastfile: ", stderr);
  std::vfprintf(stderr, format, arguments);
  std::fputc('\n', stderr);
  va_end(arguments);
}

namespace {

int is_separator(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\' || c == ':';
#else
  return c == '/';
#endif
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

int tool_regular_file_size(const char* path, std::uint32_t* size) {
#ifdef _WIN32
  struct _stati64 info;
  if (_stati64(path, &info) != 0) return 0;
#else
  struct stat info;
  if (stat(path, &info) != 0) return 0;
#endif
  if (!S_ISREG(info.st_mode) || info.st_size < 0 || std::uint64_t(info.st_size) > UINT32_MAX) return 0;
  *size = static_cast<std::uint32_t>(info.st_size);
  return 1;
}

int tool_join_path(char* out, const char* directory, const char* name) {
#ifdef _WIN32
  const char* separator = "\\";
#else
  const char* separator = "/";
#endif
  std::size_t length = std::strlen(directory);
  const char* glue = (length == 0 || is_separator(directory[length - 1])) ? "" : separator;
  int written = std::snprintf(out, tool_path_capacity, "%s%s%s", directory, glue, name);
  return written > 0 && std::size_t(written) < tool_path_capacity;
}

int tool_output_open(tool_output* output, const char* target) {
#ifdef _WIN32
  int process = _getpid();
#else
  int process = static_cast<int>(getpid());
#endif
  int written = std::snprintf(output->target, sizeof output->target, "%s", target);
  if (written < 0 || std::size_t(written) >= sizeof output->target) return 0;
  written = std::snprintf(output->temporary, sizeof output->temporary, "%s.%d.tmp", target, process);
  if (written < 0 || std::size_t(written) >= sizeof output->temporary) return 0;
  output->stream = std::fopen(output->temporary, "wb");
  return output->stream != nullptr;
}

namespace {

int replace_file(const char* from, const char* to) {
#ifdef _WIN32
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(from, to) == 0;
#endif
}

}  // namespace

int tool_output_commit(tool_output* output) {
  int written = std::ferror(output->stream) == 0;
  if (std::fclose(output->stream) != 0) written = 0;
  output->stream = nullptr;
  if (written && replace_file(output->temporary, output->target)) return 1;
  std::remove(output->temporary);
  return 0;
}

void tool_output_discard(tool_output* output) {
  if (output->stream != nullptr) std::fclose(output->stream);
  output->stream = nullptr;
  std::remove(output->temporary);
}
