// The fastfile tool: packs loose files into a fast-file archive, lists one, unpacks one.
#pragma once

#include <cstdint>
#include <cstdio>

#include "filelib/fastfile_format.h"
#include "filelib/fileio.h"

// Exit statuses.
constexpr int tool_ok = 0;
constexpr int tool_failed = 1;
constexpr int tool_usage = 2;

// Each path (a file, or a folder whose regular files are packed) gives members.
int tool_create(const char* archive, char* const* paths, int count);
int tool_list(const char* archive);
int tool_extract(const char* archive, char* const* names, int count, const char* directory);

// Messages go to stderr, prefixed with the tool's name.
void tool_message(const char* format, ...);

// Member name of a loose file: its base name in upper case. 0 when that is empty or
// longer than the archive's 12 characters.
int tool_member_name(const char* path, char* name);

// 1 when `name` can be written as a file of its own in a directory: not empty, no
// separators, no control characters, not "." or "..".
int tool_name_is_plain_file(const char* name);

// Joins a directory and a file name with the platform's separator into a buffer of
// FILEIO_PATH_LIMIT + 1 bytes; 0 when too long.
int tool_join_path(char* out, const char* directory, const char* name);

// Opens a stream for reading as the file library does (never a folder), for a path of at
// most FILEIO_PATH_LIMIT characters once made absolute; none, with errno set, otherwise.
std::FILE* tool_open_for_reading(const char* path);

// A file written whole or not at all, through the file library's replacement ("NAME.new"
// beside it, renamed in place once complete): write the handle's stream, then commit or
// discard it (pfreplace_discard). Both report their failures, naming `target`.
pf_file* tool_replace_open(const char* target);
int tool_replace_commit(pf_file* file, const char* target);

// An archive read for listing or unpacking, checked as the library checks it.
struct tool_archive {
  std::FILE* stream;
  std::uint64_t size;
  pff_fixed_header fixed;
  unsigned char* image;
};
int tool_archive_open(tool_archive* archive, const char* path);
void tool_archive_close(tool_archive* archive);
// Name (NUL-terminated, at most 12 characters), offset and size of searched record i.
void tool_archive_record(const tool_archive* archive, std::uint32_t i, char* name, std::uint32_t* offset,
                         std::uint32_t* size);
