#include "game_command.h"

#include <cstring>

#include "driver_table.h"

namespace {

// The platform splits an unquoted command line at blanks and tabs.
bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

bool has_blank(const char* text) {
  for (; *text != '\0'; ++text) {
    if (is_blank(*text)) return true;
  }
  return false;
}

// The program of a command line: its first word.
std::size_t program_length(const char* command) {
  std::size_t length = 0;
  while (command[length] != '\0' && !is_blank(command[length])) ++length;
  return length;
}

// Appends to a fixed buffer; once something does not fit, nothing more is written and the
// whole line counts as failed.
struct line_builder {
  char* out;
  std::size_t capacity;
  std::size_t length;
  bool overflow;
};

void append(line_builder* line, const char* text, std::size_t count) {
  if (line->overflow) return;
  if (count >= line->capacity - line->length) {
    line->overflow = true;
    return;
  }
  std::memcpy(line->out + line->length, text, count);
  line->length += count;
  line->out[line->length] = '\0';
}

void append(line_builder* line, const char* text) {
  append(line, text, std::strlen(text));
}

// Writes install_dir "\" program, then arguments as they are. The program path goes in
// quotes when it contains a blank; otherwise the line is the plain concatenation.
int build_line(const char* install_dir, const char* program, std::size_t program_length,
               const char* arguments, const char* option, char* out, int capacity) {
  if (out == nullptr || capacity <= 0) return 0;
  out[0] = '\0';
  line_builder line = {out, static_cast<std::size_t>(capacity), 0, false};
  // The program name itself is a single word, so only the directory can bring a blank.
  const bool quoted = has_blank(install_dir);
  if (quoted) append(&line, "\"");
  append(&line, install_dir);
  append(&line, "\\");
  append(&line, program, program_length);
  if (quoted) append(&line, "\"");
  append(&line, arguments);
  append(&line, option);
  if (line.overflow) {
    out[0] = '\0';
    return 0;
  }
  return 1;
}

}  // namespace

const char* network_renderer_option(const char* driver_key) {
  // The launcher takes the option each game command carries after its program. Tested in
  // table order; no key begins another, so the order only matters for keys that begin
  // with one key and go on with another.
  for (const DriverEntry& entry : g_driver_table) {
    if (std::strncmp(driver_key, entry.key, std::strlen(entry.key)) == 0) {
      const char* option = std::strchr(entry.command, ' ');
      return option != nullptr ? option : "";
    }
  }
  return "";
}

int build_game_command(const char* install_dir, const char* game_command, int nofog, char* out,
                       int capacity) {
  // The program is the first word of the game command; the rest follows unchanged.
  const std::size_t program = program_length(game_command);
  return build_line(install_dir, game_command, program, game_command + program, nofog != 0 ? " -anf" : "",
                    out, capacity);
}

int is_game_program(const char* game_command) {
  const std::size_t length = program_length(game_command);
  for (const DriverEntry& entry : g_driver_table) {
    // The table's commands fit their 32-byte field, so their programs fit one too.
    char program[driver_word_size] = {};
    std::memcpy(program, entry.command, program_length(entry.command));
    if (std::strlen(program) == length && begins_ignoring_case(game_command, program)) return 1;
  }
  return 0;
}

int build_network_command(const char* install_dir, const char* driver_key, char* out, int capacity) {
  static const char launcher_program[] = "netlaunc.exe";
  return build_line(install_dir, launcher_program, sizeof launcher_program - 1, "",
                    network_renderer_option(driver_key), out, capacity);
}
