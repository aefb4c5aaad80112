// Read-only fast-file archives: a member of a directory's "FASTFILE.DAT" is handed out as
// an ordinary pf_file whose stream is a separate stream on the archive at the member.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "filelib/fileio.h"
#include "filelib/fileio_os.h"

// One record of a fast-file archive's table, as stored in the file (little-endian).
struct pff_entry {
  char name[12];
  std::uint32_t offset;
  std::uint32_t size;
  std::uint32_t reserved;
};
static_assert(sizeof(pff_entry) == 24, "archive records are 24 bytes");

// Longest archive path that is looked up or cached.
constexpr std::size_t pff_archive_path_limit = 273;

// Largest header_length loaded: 16 MiB, a record table of about 700,000 members, where the
// game's own archives hold a few hundred. An archive claiming more is refused like a
// corrupt one, so a planted file costs at most this much memory and one read, also in a
// 32-bit process, and never ends the program.
constexpr std::uint32_t pff_header_length_limit = 16u << 20;

// One loaded archive header. Its pooled block holds the image and then the name index
// behind the struct. Pooled blocks are only 4-aligned on 32-bit Windows, so no member may
// need more than a pointer's alignment (no 64-bit numbers here).
//
// Headers stay cached for the rest of the process, since handed-out records point into
// their images. A header answers only while its file keeps the stamp it had when it was
// loaded (a member is opened only on a stream with that stamp): a changed archive is loaded
// again into a new header, found first from then on, and the old one's stream is closed.
struct pff_header {
  char archive[pff_archive_path_limit + 1];  // the path the file was found under on disk: the key
  char asked[pff_archive_path_limit + 1];    // the path it was asked for under, as spelled
  std::FILE* stream;                         // loaded the header; none once a newer one replaced it
  fileio_os_stamp stamp;                     // the file's state when it was loaded
  std::uint32_t image_length;                // header_length
  unsigned char* image;                      // the archive's first header_length bytes
  std::uint32_t* by_name;                    // searched records' numbers, by name, then number
};

// Loaded headers, newest first; created on first use and never released.
extern list_node* pff_cache;

// Finds the member named by the part of `path` after its first `prefix_length` characters
// in the archive of that directory. `path` is upper-cased in place. On success the
// file's stream is open on the archive at the member, on the very file its record came
// from, and the member's record (inside the cached image) is returned.
const pff_entry* pffind(pf_file* file, std::size_t prefix_length, char* path, const char* mode);

// The header of the archive at `archive`, loaded on first use and again whenever the file
// changed; none when the archive is missing, unreadable, refused, or its header cannot be
// allocated. On disk the path is taken as written, except that its file name is matched
// ignoring letter case where that matters.
pff_header* pffopen_header(const char* archive);
