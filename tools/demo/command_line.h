// Splitting of Windows command lines for the demo programs. No Win32 calls, so the rules
// are tested on every platform.
#pragma once

#include <cstddef>

// The text after the program name: a quoted name ends at its closing quote, an unquoted one
// at the first blank. Leading blanks of the rest are skipped.
const char* skip_program_name(const char* command_line);

// Like skip_program_name, but first tries the program's own full path, which may contain
// blanks without being quoted (the menu starts the detection program that way).
const char* skip_known_program(const char* command_line, const char* module_path);

// Copies the next blank-separated argument into out, removing double quotes (a quoted part
// may contain blanks). Returns 1 when an argument was copied, 0 when none is left, and -1
// when it does not fit (out then holds an empty text). The cursor moves past the argument.
int next_argument(const char** cursor, char* out, std::size_t capacity);

// The whole rest of the line as one path: blanks around it and one pair of enclosing quotes
// are removed, blanks inside are kept. Returns 1, or 0 when it is empty or does not fit.
int rest_as_path(const char* text, char* out, std::size_t capacity);
