// How the fast-file reader finds and positions archive files on this platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Gives the path under which the archive named by `path` exists. Lookups upper-case the
// whole path; Windows ignores letter case anyway, while on a case-sensitive file system
// each component is matched against the real directory entries, ignoring letter case
// (an exact match is preferred, otherwise the first of the matches in byte order).
// `real` holds `capacity` bytes. 0 when no such file exists or the path does not fit.
int pff_disk_resolve(const char* path, char* real, std::size_t capacity);

// Size in bytes of the file open on `stream`; 0 when it cannot be told.
int pff_disk_size(std::FILE* stream, std::uint64_t* size);

// Sets the stream's position to `offset` from the start of the file.
int pff_disk_seek(std::FILE* stream, std::uint32_t offset);
