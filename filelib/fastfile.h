// Read-only fast-file archives: a member of a directory's "FASTFILE.DAT" is handed out as
// an ordinary pf_file whose stream is a separate stream on the archive at the member.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "filelib/fileio.h"

// Longest archive path that is looked up or cached.
constexpr std::size_t PFF_ARCHIVE_PATH_LIMIT = 273;

// One loaded archive header; cached for the rest of the process.
struct pff_header {
  char archive[PFF_ARCHIVE_PATH_LIMIT + 1];  // upper-cased path as asked for: the key
  char opened[PFF_ARCHIVE_PATH_LIMIT + 1];   // the path the file was found under
  std::FILE* stream;                         // loaded the header; stays open
  std::uint64_t archive_size;                // file size when the header was loaded
  std::uint32_t image_length;                // header_length
  unsigned char* image;                      // the archive's first header_length bytes
};

// Loaded headers, newest first; created on first use and never released.
extern list_node* pff_cache;

// Finds the member named by the part of `path` after its first `prefix_length` characters
// in the archive of that directory. `path` is upper-cased in place. On success the
// file's stream is open on the archive at the member and the member's record (inside the
// cached image) is returned.
const pff_entry* pffind(pf_file* file, std::size_t prefix_length, char* path, const char* mode);

// The cached header of the archive at `archive`, loading it on first use; none when the
// archive is missing, unreadable or refused.
pff_header* pffopen_header(const char* archive);
