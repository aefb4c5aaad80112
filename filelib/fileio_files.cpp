// Stream files opened through directory handles, and text lines read and written on them.
#include "filelib/fileio.h"

#include <cstdio>

#include "filelib/fileio_internal.h"
#include "filelib/fileio_os.h"
#include "support/list.h"
#include "support/pool.h"
#include "support/stop.h"

std::uint32_t fileio_options = FILEIO_DEFAULT_OPTIONS;

int pf_mode_is_binary(const char* mode) {
  for (; mode && *mode; ++mode) {
    if (*mode == 'B' || *mode == 'b') return 1;
    if (*mode == 'T' || *mode == 't') return 0;
  }
  return fileio_os_default_is_binary();
}

namespace {

void release_file(pf_file* file) {
  fileio_text_free(file->name);
  pool_free(file, sizeof(pf_file));
}

// What became of a candidate on disk.
constexpr int disk_opened = 1;
constexpr int disk_not_opened = 0;  // missing, not openable, or its path too long
constexpr int disk_out_of_memory = -1;

// Opens the candidate first + second + name, made absolute, into the handle and lists it.
// Otherwise the handle is left unlisted with no stream, so the caller can release it. When
// memory runs out, whether the file is there is not known, so the search must end: going
// on to an archive could hand out a member in place of the loose file.
int open_on_disk(pf_file* file, const char* first, const char* second, const char* name, const char* mode) {
  char composed[FILEIO_PATH_LIMIT + 1];
  char candidate[FILEIO_PATH_LIMIT + 1];
  if (!fileio_compose(composed, first, second, name) || !fileio_os_full_path(candidate, composed)) {
    return disk_not_opened;
  }
  // The name and the list entry are made before the open: once a mode that truncates
  // has opened the file, nothing may fail and leave it emptied.
  file->name = fileio_text_new(candidate);
  if (!file->name) return disk_out_of_memory;
  if (!list_append(file, fileio_files)) {
    fileio_text_free(file->name);
    file->name = nullptr;
    return disk_out_of_memory;
  }
  std::FILE* stream = fileio_os_open(candidate, mode);
  if (!stream) {
    list_remove(file, fileio_files);
    fileio_text_free(file->name);
    file->name = nullptr;
    return disk_not_opened;
  }
  file->stream = stream;
  file->binary = pf_mode_is_binary(mode);
  return disk_opened;
}

}  // namespace

pf_file* pfopen(pf_dir* dir, const char* name, const char* mode) {
  if (!dir || !name || !mode) return nullptr;
  fileio_os_set_default_binary();
  pf_file* file = static_cast<pf_file*>(pool_alloc(sizeof(pf_file)));
  if (!file) stop("pfopen(): out of memory");
  *file = pf_file{nullptr, nullptr, nullptr, 0};
  const int archive_first = (fileio_options & FILEIO_ARCHIVE_FIRST) != 0;

  if (!dir->search) {
    if (archive_first) {
      if (pf_file* member = pffopen(dir, name, mode)) {
        release_file(file);
        return member;
      }
      if (open_on_disk(file, dir->path, "", name, mode) == disk_opened) return file;
      release_file(file);
      return nullptr;
    }
    const int on_disk = open_on_disk(file, dir->path, "", name, mode);
    if (on_disk == disk_opened) return file;
    release_file(file);
    return on_disk == disk_not_opened ? pffopen(dir, name, mode) : nullptr;
  }

  for (list_node* node = dir->search->next; node != dir->search; node = node->next) {
    const pf_path* base = static_cast<const pf_path*>(node->item);
    if (!base) stop("Path: %s, corrupt", dir->path);
    int on_disk;
    if (archive_first) {
      if (pf_file* member = pffopen(dir, name, mode)) {
        release_file(file);
        return member;
      }
      on_disk = open_on_disk(file, base->path, dir->path, name, mode);
    } else {
      on_disk = open_on_disk(file, base->path, dir->path, name, mode);
      if (on_disk == disk_not_opened) {
        if (pf_file* member = pffopen(dir, name, mode)) {
          release_file(file);
          return member;
        }
      }
    }
    if (on_disk == disk_opened) return file;
    if (on_disk == disk_out_of_memory) break;
  }
  release_file(file);
  return nullptr;
}

int pfclose(pf_file* file) {
  if (!file) return 0;
  list_remove(file, fileio_files);
  std::FILE* stream = file->stream;
  release_file(file);
  return stream && std::fclose(stream) == 0;
}

void fileio_close_open_files() {
  while (fileio_files->next != fileio_files) {
    pf_file* file = static_cast<pf_file*>(fileio_files->next->item);
    debug_message("FIOWARN", "fileio notice: file, %s, still open at fileio_tidyup", file->name);
    list_remove(file, fileio_files);
    std::FILE* stream = file->stream;
    release_file(file);
    if (stream) std::fclose(stream);
  }
}

int pfexists(pf_dir* dir, const char* name) {
  pf_file* file = pfopen(dir, name, "r");
  if (!file) return 0;
  pfclose(file);
  return 1;
}

int pfputs(pf_file* file, const char* text) {
  if (!file || !file->stream || !text) return 0;
  if (std::fputs(text, file->stream) == EOF) return 0;
  if (file->binary && std::fputc(carriage_return, file->stream) == EOF) return 0;
  return std::fputc(line_feed, file->stream) != EOF;
}
