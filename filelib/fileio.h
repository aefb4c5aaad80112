// The file library: directories named absolutely or through search paths, stream files
// opened relative to a directory handle (on disk or inside a fast-file archive), and text
// lines read and written with CR LF ends.
#pragma once

#include <cstdint>
#include <cstdio>

#include "support/list.h"

struct pff_entry;  // a record inside a cached archive image (filelib/fastfile.h)

struct pf_path {
  char* path;
};
struct pf_dir {
  char* path;
  list_node* search;
};
struct pf_file {
  char* name;
  std::FILE* stream;
  const pff_entry* entry;
  int binary;
};

// Bits of fileio_options. Only FILEIO_ARCHIVE_FIRST means anything: the archive is searched
// before the disk. The word starts as FILEIO_DEFAULT_OPTIONS, whose one set bit means
// nothing, so the disk comes first.
constexpr std::uint32_t FILEIO_ARCHIVE_FIRST = 1;
constexpr std::uint32_t FILEIO_DEFAULT_OPTIONS = 4;

// Longest composed or absolute path the library handles; buffers hold one more byte.
constexpr std::size_t FILEIO_PATH_LIMIT = 260;

extern std::uint32_t fileio_options;
extern char pff_archive_name[256];
extern list_node* fileio_paths;
extern list_node* fileio_dirs;
extern list_node* fileio_files;

// Made by fileio_init; none when they could not be made.
extern pf_path* fileio_program_path;
extern pf_path* fileio_current_path;
extern pf_dir* fileio_program_dir;
extern pf_dir* fileio_current_dir;

int fileio_init();
void fileio_tidyup();
pf_path* pfpath_new(const char* name, pf_path* base);
pf_dir* pfdir_new(const char* name, pf_path* parent);
void pfdir_close(pf_dir* dir);
pf_file* pfopen(pf_dir* dir, const char* name, const char* mode);
int pfclose(pf_file* file);
int pfexists(pf_dir* dir, const char* name);
int pfgets(pf_file* file, char* buffer, int capacity);
int pfputs(pf_file* file, const char* text);
pf_file* pffopen(pf_dir* dir, const char* name, const char* mode);

// Replacing a file whole, so that no failure, crash or other writer leaves it empty, short
// or mixed. pfreplace_open creates a new, empty temporary file "NAME.new" beside `name` in
// the directory (on disk, where pfopen looks first), in binary mode; the caller writes it
// with pfputs and then ends it with exactly one of the other two calls, never with pfclose.
// The temporary is made only as a new file, never through a link, and is held until it
// ends: one that no process holds (a crash's) is removed first, and one that another
// replacement holds makes pfreplace_open fail and is left alone with the file. On Linux
// the new file keeps the old one's permission bits. pfreplace_commit puts the temporary,
// once flushed and on the disk, in place of `name` in one step; until it has done so, the
// file `name` keeps its old bytes byte for byte whatever fails, and however the process
// ends. A commit that fails (also after a failed pfputs), pfreplace_discard and
// fileio_tidyup remove the temporary; a commit, failed or not, releases the handle.
pf_file* pfreplace_open(pf_dir* dir, const char* name);
int pfreplace_commit(pf_file* file);
void pfreplace_discard(pf_file* file);
// The reason the most recent failed pfreplace_open or pfreplace_commit gave up: the
// system's own code (GetLastError's on Windows, errno's elsewhere), for the caller to report;
// another replacement under way gives ERROR_SHARING_VIOLATION or EBUSY.
unsigned long pfreplace_error();

// 1 when a stream opened with this mode is untranslated: the first of the letters "BbTt"
// decides, and a mode with none of them follows the default translation mode.
int pf_mode_is_binary(const char* mode);
