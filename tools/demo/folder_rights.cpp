#include "folder_rights.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

constexpr unsigned long error_name_too_long = 206;  // Windows' ERROR_FILENAME_EXCED_RANGE

bool same_name(const char* a, const char* b) {
  return std::equal(a, a + std::strlen(a), b, b + std::strlen(b), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

folder_verdict judge_folder_entry(const char* name, bool is_folder, bool is_reparse_point,
                                  const char* const* known, int known_count) {
  if (is_reparse_point) return folder_reparse_point;
  if (is_folder) return folder_foreign_entry;
  for (int i = 0; i < known_count; ++i) {
    if (same_name(name, known[i])) return folder_usable;
  }
  return folder_foreign_entry;
}

unsigned long protect_game_folder(const char* folder, const char* const* programs, int program_count,
                                  rights_setter set, char* failed, std::size_t size) {
  for (int i = 0; i <= program_count; ++i) {
    const bool the_folder = i == program_count;
    const int written = the_folder ? std::snprintf(failed, size, "%s", folder)
                                   : std::snprintf(failed, size, "%s\\%s", folder, programs[i]);
    if (written < 0 || std::size_t(written) >= size) return error_name_too_long;
    if (const unsigned long error = set(failed, the_folder ? game_folder_rights : program_rights))
      return error;
  }
  failed[0] = '\0';
  return 0;
}
