// The few operating-system calls the file library stands on, so that path rules and
// current-directory handling live in one place per platform. Every text buffer passed
// here holds FILEIO_PATH_LIMIT + 1 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "filelib/fileio.h"

// The separator of path components: "\\" on Windows, "/" elsewhere.
extern const char fileio_separator;

// One character from a stream that only this thread uses, without the stream's lock.
int fileio_os_getc(std::FILE* stream);

// 1 when the name is absolute by this platform's rules.
int fileio_os_name_is_absolute(const char* name);

// Makes a path absolute without requiring it to exist; 0 when the result would not fit.
int fileio_os_full_path(char* out, const char* path);

// Current directory of the current drive; 0 when it does not fit.
int fileio_os_get_directory(char* out);

// Enters the directory and comes back: 1 when it could be entered. The current directory
// (on Windows also the current drive, and the current directory of the drive visited) is
// as it was on every path, whatever the length of its name.
int fileio_os_visit_directory(const char* path);

// The program's own directory, with its trailing separator, from the name it was run by.
int fileio_os_program_directory(char* out);

// Opens a file as fopen does, but never a directory (which POSIX fopen would accept for
// reading, and Windows refuses), so both platforms find the same files.
std::FILE* fileio_os_open(const char* path, const char* mode);

// The bytes a stream has read ahead and not yet handed out, in its own buffer: their count,
// with *bytes at the first; 0 when the buffer is empty or the stream is writing. The
// line reader scans them in place and hands out what it took with fileio_os_consume,
// exactly as that many character reads would.
std::size_t fileio_os_buffered(std::FILE* stream, const unsigned char** bytes);
void fileio_os_consume(std::FILE* stream, std::size_t count);

// Positions and sizes in 64 bits, also where long has 32: -1 when the position cannot be
// told; seek and size return 1 on success. fileio_os_seek_fresh is fileio_os_seek for a
// stream that has not been read or moved yet, and may save a read there.
std::int64_t fileio_os_tell(std::FILE* stream);
int fileio_os_seek(std::FILE* stream, std::int64_t offset);
int fileio_os_seek_fresh(std::FILE* stream, std::int64_t offset);
int fileio_os_size(std::FILE* stream, std::uint64_t* size);

// Streams opened without "b" or "t" become untranslated from now on.
void fileio_os_set_default_binary();
int fileio_os_default_is_binary();

// ---- Telling whether a file changed (fastfile.cpp) ----

// What tells one state of a file from another, compared whole: on Linux the file a name
// leads to (device and inode), its size and its change time, which every write and every
// change of times moves; on Windows, where a file held open cannot be replaced, its size
// and last write time. Only 32-bit words, so it may sit in a pooled block that is 4-aligned.
struct fileio_os_stamp {
  std::uint32_t word[10];
};
// The stamp of the file at `path` (through links) or of a stream's file; 0 when it cannot
// be told. Unused words are 0, so equal stamps compare equal byte for byte.
int fileio_os_stamp_path(const char* path, fileio_os_stamp* stamp);
int fileio_os_stamp_stream(std::FILE* stream, fileio_os_stamp* stamp);

// ---- Replacing a file in one step (fileio_replace.cpp) ----

// Creates the temporary `path` and opens it for writing as a binary stream: only as a new
// name, never through a link, and held for as long as the stream is open so that every
// other replacement can tell that it is in use (Windows: opened without sharing; Linux: an
// flock on it). A temporary already there that no process holds was left by a crash and
// is removed first; one that another process holds belongs to a replacement under way, is
// left alone, and the call fails with fileio_os_error_busy. On Linux the new file takes
// the permission bits of `keep_mode_of` when that is a regular file.
std::FILE* fileio_os_create_temporary(const char* path, const char* keep_mode_of);
// Puts the temporary `path`, open as `stream`, in place of `to` in one step that is on the
// disk when the call returns, and closes the stream. On failure `to` is untouched and the
// temporary is removed.
int fileio_os_commit_temporary(std::FILE* stream, const char* path, const char* to);
// Closes the stream and removes its temporary, unless the name has since passed to another
// replacement.
void fileio_os_discard_temporary(std::FILE* stream, const char* path);
// The system's code for why the last failing call failed (GetLastError's on Windows,
// errno's elsewhere); never 0, so that it always names a reason.
unsigned long fileio_os_error();
// The same system's codes for what the library refuses itself, and for a temporary that
// another replacement holds.
extern const unsigned long fileio_os_error_no_memory;
extern const unsigned long fileio_os_error_bad_name;
extern const unsigned long fileio_os_error_busy;
