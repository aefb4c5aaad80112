#include "command_line.h"

#include <cctype>
#include <cstring>

namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

const char* skip_blanks(const char* text) {
  while (is_blank(*text)) ++text;
  return text;
}

}  // namespace

const char* skip_program_name(const char* command_line) {
  const char* p = skip_blanks(command_line);
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && !is_blank(*p)) ++p;
  }
  return skip_blanks(p);
}

const char* skip_known_program(const char* command_line, const char* module_path) {
  const char* p = skip_blanks(command_line);
  std::size_t length = std::strlen(module_path);
  if (length > 0 && std::strlen(p) >= length) {
    bool same = true;
    for (std::size_t i = 0; i < length && same; ++i) {
      same = std::tolower(static_cast<unsigned char>(p[i])) ==
             std::tolower(static_cast<unsigned char>(module_path[i]));
    }
    if (same && (p[length] == '\0' || is_blank(p[length]))) return skip_blanks(p + length);
  }
  return skip_program_name(command_line);
}

int next_argument(const char** cursor, char* out, std::size_t capacity) {
  if (capacity == 0) return -1;
  out[0] = '\0';
  const char* p = skip_blanks(*cursor);
  if (*p == '\0') {
    *cursor = p;
    return 0;
  }
  std::size_t length = 0;
  bool quoted = false;
  bool overflow = false;
  for (; *p != '\0' && (quoted || !is_blank(*p)); ++p) {
    if (*p == '"') {
      quoted = !quoted;
      continue;
    }
    if (length + 1 < capacity) {
      out[length++] = *p;
    } else {
      overflow = true;
    }
  }
  *cursor = p;
  if (overflow) {
    out[0] = '\0';
    return -1;
  }
  out[length] = '\0';
  return 1;
}

int rest_as_path(const char* text, char* out, std::size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = '\0';
  const char* begin = skip_blanks(text);
  const char* end = begin + std::strlen(begin);
  while (end > begin && is_blank(end[-1])) --end;
  if (end - begin >= 2 && *begin == '"' && end[-1] == '"') {
    ++begin;
    --end;
  }
  std::size_t length = static_cast<std::size_t>(end - begin);
  if (length == 0 || length >= capacity) return 0;
  std::memcpy(out, begin, length);
  out[length] = '\0';
  return 1;
}
