// The fastfile tool: packs loose files into a fast-file archive, lists one, unpacks one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "filelib/fastfile_format.h"

// Exit statuses.
constexpr int tool_ok = 0;
constexpr int tool_failed = 1;
constexpr int tool_usage = 2;

// Longest path the tool builds for its own files.
constexpr std::size_t tool_path_capacity = 4096;

int tool_create(const char* archive, char* const* files, int count);
int tool_list(const char* archive);
int tool_extract(const char* archive, char* const* names, int count, const char* directory);

// Messages go to stderr, prefixed with the tool's name.
void tool_error(const char* format, ...);

// Member name of a loose file: its base name in upper case. 0 when that is empty or
// longer than the archive's 12 characters.
int tool_member_name(const char* path, char* name);

// 1 when `name` can be written as a file of its own in a directory: not empty, no
// separators, no control characters, not "." or "..".
int tool_name_is_plain_file(const char* name);

// Size of a regular file; 0 when it is missing, not a regular file or 4 GiB or more.
int tool_regular_file_size(const char* path, std::uint32_t* size);

// Joins a directory and a file name with the platform's separator; 0 when too long.
int tool_join_path(char* out, const char* directory, const char* name);

// A file written as a whole or not at all: opened as a temporary beside `target` and
// put in place only when complete.
struct tool_output {
  char target[tool_path_capacity];
  char temporary[tool_path_capacity];
  std::FILE* stream;
};
int tool_output_open(tool_output* output, const char* target);
// Closes the temporary and renames it over the target; removes it on any failure.
int tool_output_commit(tool_output* output);
// Closes and removes the temporary.
void tool_output_discard(tool_output* output);

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
