// How the fast-file reader finds archive files on this platform.
#pragma once

#include <cstddef>

// Gives the path under which the archive named by `path` exists, one spelling per file, so
// that the archives of two folders never share it. Windows ignores letter case, so there
// it is the path upper-cased. On a file system that tells letter case apart, the directory
// is taken as written when it exists, and only the file name is matched ignoring letter
// case (an exact match is preferred, otherwise the first of the matches in byte order); a
// directory that does not exist as written is matched the same way component by
// component. `real` holds `capacity` bytes. 0 when no such file exists or the path does
// not fit.
//
// A directory listed whole without the archive is remembered with its modification time,
// and is listed again only once that time has changed (an entry was added, removed or
// renamed there). A listing that failed or stopped short (no descriptor left, a read
// error) is not remembered, nor is a directory changed within the last few seconds, since
// a change within the file system's clock step would not show in its time.
int pff_disk_resolve(const char* path, char* real, std::size_t capacity);
