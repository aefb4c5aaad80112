// Helpers shared by the file library's own source files.
#pragma once

#include "filelib/fileio.h"

// Line ends: lines are written with CR LF and read ending in CR, LF, CR LF or LF CR.
constexpr int carriage_return = 13;
constexpr int line_feed = 10;

// Joins up to three texts into a buffer of FILEIO_PATH_LIMIT + 1 bytes; 0 (and an empty
// buffer) when the result would be longer than FILEIO_PATH_LIMIT.
int fileio_compose(char* out, const char* first, const char* second, const char* third);

// Appends the separator to a non-empty path that does not already end in one; 0 when the
// path would then be longer than FILEIO_PATH_LIMIT.
int fileio_append_separator(char* path);

// Pooled copies of texts; a copy is released with the length it still has.
char* fileio_text_new(const char* text);
void fileio_text_free(char* text);

// The tidy-up step for streams still open: each is reported under "FIOWARN" and closed.
void fileio_close_open_files();

// The tidy-up step for replacements neither committed nor discarded: each temporary is
// closed and removed, so the files they were to replace keep their old bytes.
void fileio_discard_replacements();
