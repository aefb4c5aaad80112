// The few operating-system calls the file library stands on, so that path rules and
// current-directory handling live in one place per platform. Every text buffer passed
// here holds FILEIO_PATH_LIMIT + 1 bytes.
#pragma once

#include <cstdio>

#include "filelib/fileio.h"

#ifdef _WIN32
constexpr char fileio_separator = '\\';
#define fileio_getc(stream) _getc_nolock(stream)
#else
constexpr char fileio_separator = '/';
#define fileio_getc(stream) getc_unlocked(stream)
#endif

// 1 when the name is absolute by this platform's rules.
int fileio_os_name_is_absolute(const char* name);

// Makes a path absolute without requiring it to exist; 0 when the result would not fit.
int fileio_os_full_path(char* out, const char* path);

// Current directory of the current drive; 0 when it does not fit.
int fileio_os_get_directory(char* out);
int fileio_os_set_directory(const char* path);

// Drives: 1 for A and so on; 0 means "no drive" (the path has no drive letter, or the
// platform has no drives, where changing to drive 0 does nothing and succeeds).
int fileio_os_path_drive(const char* path);
int fileio_os_get_drive();
int fileio_os_set_drive(int drive);

// The program's own directory, with its trailing separator, from the name it was run by.
int fileio_os_program_directory(char* out);

// Opens a file as fopen does, but never a directory (which POSIX fopen would accept for
// reading, and Windows refuses), so both platforms find the same files.
std::FILE* fileio_os_open(const char* path, const char* mode);

// Streams opened without "b" or "t" become untranslated from now on.
void fileio_os_set_default_binary();
int fileio_os_default_is_binary();

// ---- Replacing a file in one step (fileio_replace.cpp) ----

// Writes the stream's buffer out and waits until the file's bytes are on the disk.
int fileio_os_sync(std::FILE* stream);
// Puts the file `from` in place of `to`, replacing it, in one step that is on the disk
// when the call returns. On failure `to` is untouched and `from` stays where it was.
int fileio_os_replace(const char* from, const char* to);
// The system's code for why the last failing call failed (GetLastError's on Windows,
// errno's elsewhere); never 0, so that it always names a reason.
unsigned long fileio_os_error();
// The same system's codes for what the library refuses itself.
extern const unsigned long fileio_os_error_no_memory;
extern const unsigned long fileio_os_error_bad_name;
