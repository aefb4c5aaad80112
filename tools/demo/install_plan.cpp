#include "install_plan.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "command_line.h"

const char* const installed_files[installed_file_count] = {
    "korv.exe", "korv3dfx.exe", "korvsw.exe", "korvk6.exe", "netlaunc.exe", "mprofile.exe", uninstaller_name,
};

const char* const game_data_files[game_data_file_count] = {
    "mdrivers.dat",
    "korvexe.dat",
    "frontend.dat",
    "mdrivers.dat.tmp",
};

namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

bool forbidden_in_name(char c) {
  return static_cast<unsigned char>(c) < 32 || std::strchr("<>:\"|?*", c) != nullptr;
}

// Every folder of the path after "X:\" is a real name.
bool folders_are_names(const char* folders) {
  const char* p = folders;
  while (*p != '\0') {
    const char* end = std::strchr(p, '\\');
    std::size_t length = end ? static_cast<std::size_t>(end - p) : std::strlen(p);
    if (length == 0) return false;
    if ((length == 1 && p[0] == '.') || (length == 2 && p[0] == '.' && p[1] == '.')) return false;
    for (std::size_t i = 0; i < length; ++i) {
      if (forbidden_in_name(p[i])) return false;
    }
    p += length;
    if (*p == '\\') ++p;
  }
  return true;
}

}  // namespace

int normalize_install_dir(const char* text, char* out, std::size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = '\0';
  char work[512];
  if (!rest_as_path(text, work, sizeof work)) return 0;
  std::size_t length = std::strlen(work);
  for (std::size_t i = 0; i < length; ++i) {
    if (work[i] == '/') work[i] = '\\';
  }
  while (length > 3 && work[length - 1] == '\\') work[--length] = '\0';
  while (length > 3 && is_blank(work[length - 1])) work[--length] = '\0';
  if (length < 4 || !std::isalpha(static_cast<unsigned char>(work[0])) || work[1] != ':' || work[2] != '\\')
    return 0;
  if (!folders_are_names(work + 3)) return 0;
  if (length > install_dir_limit || length >= capacity) return 0;
  std::memcpy(out, work, length + 1);
  return 1;
}

int join_path(const char* dir, const char* name, char* out, std::size_t capacity) {
  std::size_t dir_length = std::strlen(dir);
  std::size_t name_length = std::strlen(name);
  if (capacity == 0) return 0;
  out[0] = '\0';
  if (dir_length + 1 + name_length >= capacity) return 0;
  std::memcpy(out, dir, dir_length);
  out[dir_length] = '\\';
  std::memcpy(out + dir_length + 1, name, name_length + 1);
  return 1;
}

int parent_dir(const char* file_path, char* out, std::size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = '\0';
  const char* last = std::strrchr(file_path, '\\');
  if (last == nullptr) return 0;
  std::size_t length = static_cast<std::size_t>(last - file_path);
  if (length == 0 || length >= capacity) return 0;
  std::memcpy(out, file_path, length);
  out[length] = '\0';
  return 1;
}

int uninstall_command(const char* uninstaller_path, char* out, std::size_t capacity) {
  std::size_t length = std::strlen(uninstaller_path);
  bool quote = std::strchr(uninstaller_path, ' ') != nullptr;
  std::size_t needed = length + (quote ? 2 : 0);
  if (capacity == 0) return 0;
  out[0] = '\0';
  if (length == 0 || needed >= capacity) return 0;
  char* p = out;
  if (quote) *p++ = '"';
  std::memcpy(p, uninstaller_path, length);
  p += length;
  if (quote) *p++ = '"';
  *p = '\0';
  return 1;
}

bool same_dir(const char* a, const char* b) {
  std::size_t la = std::strlen(a);
  std::size_t lb = std::strlen(b);
  while (la > 0 && a[la - 1] == '\\') --la;
  while (lb > 0 && b[lb - 1] == '\\') --lb;
  if (la != lb || la == 0) return false;
  for (std::size_t i = 0; i < la; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

int parse_switches(const char* arguments, demo_switches* out) {
  std::memset(out, 0, sizeof *out);
  const char* cursor = arguments;
  for (;;) {
    while (is_blank(*cursor)) ++cursor;
    if (*cursor == '\0') return 1;
    if ((cursor[0] == '/' || cursor[0] == '-') && (cursor[1] == 'D' || cursor[1] == 'd') &&
        cursor[2] == '=') {
      if (!rest_as_path(cursor + 3, out->dir, sizeof out->dir)) return 0;
      out->dir_given = 1;
      return 1;
    }
    char word[64];
    if (next_argument(&cursor, word, sizeof word) != 1) return 0;
    if ((word[0] == '/' || word[0] == '-') && (word[1] == 'S' || word[1] == 's') && word[2] == '\0') {
      out->silent = 1;
    } else if ((word[0] == '/' || word[0] == '-') && (word[1] == 'W' || word[1] == 'w') && word[2] == '=') {
      char* end = nullptr;
      unsigned long pid = std::strtoul(word + 3, &end, 10);
      if (end == word + 3 || *end != '\0' || pid == 0) return 0;
      out->wait_pid = pid;
    } else {
      return 0;
    }
  }
}
