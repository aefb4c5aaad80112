// Stream files opened through directory handles, and text lines read and written on them.
#include "filelib/fileio.h"

#include <cstdio>

#include "filelib/fileio_internal.h"
#include "filelib/fileio_os.h"
#include "support/list.h"
#include "support/pool.h"
#include "support/stop.h"

std::uint32_t fileio_options = 4;

int pf_mode_is_binary(const char* mode) {
  for (; mode && *mode; ++mode) {
    if (*mode == 'B' || *mode == 'b') return 1;
    if (*mode == 'T' || *mode == 't') return 0;
  }
  return fileio_os_default_is_binary();
}

static void release_file(pf_file* file) {
  fileio_text_free(file->name);
  pool_free(file, sizeof(pf_file));
}

// The absolute path of a candidate; 0 when it is too long to name safely.
static int make_candidate(char* candidate, const char* first, const char* second, const char* name) {
  char composed[FILEIO_PATH_LIMIT + 1];
  return fileio_compose(composed, first, second, name) && fileio_os_full_path(candidate, composed);
}

// Opens a candidate on disk into the handle and lists it. On failure the handle is left
// unlisted with no stream, so the caller can release it.
static int open_on_disk(pf_file* file, const char* candidate, const char* mode) {
  // The name and the list entry are made before the open: once a mode that truncates
  // has opened the file, nothing may fail and leave it emptied.
  file->name = fileio_text_new(candidate);
  if (!file->name) return 0;
  if (!list_append(file, fileio_files)) {
    fileio_text_free(file->name);
    file->name = nullptr;
    return 0;
  }
  std::FILE* stream = fileio_os_open(candidate, mode);
  if (!stream) {
    list_remove(file, fileio_files);
    fileio_text_free(file->name);
    file->name = nullptr;
    return 0;
  }
  file->stream = stream;
  file->binary = pf_mode_is_binary(mode);
  return 1;
}

pf_file* pfopen(pf_dir* dir, const char* name, const char* mode) {
  if (!dir || !name || !mode) return nullptr;
  fileio_os_set_default_binary();
  pf_file* file = static_cast<pf_file*>(pool_alloc(sizeof(pf_file)));
  if (!file) stop("pfopen(): out of memory");
  *file = pf_file{nullptr, nullptr, nullptr, 0};
  const int archive_first = (fileio_options & FILEIO_ARCHIVE_FIRST) != 0;
  char candidate[FILEIO_PATH_LIMIT + 1];

  if (!dir->search) {
    const int named = make_candidate(candidate, dir->path, "", name);
    if (archive_first) {
      if (pf_file* member = pffopen(dir, name, mode)) {
        release_file(file);
        return member;
      }
      if (named && open_on_disk(file, candidate, mode)) return file;
      release_file(file);
      return nullptr;
    }
    if (named && open_on_disk(file, candidate, mode)) return file;
    release_file(file);
    return pffopen(dir, name, mode);
  }

  for (list_node* node = dir->search->next; node != dir->search; node = node->next) {
    const pf_path* base = static_cast<const pf_path*>(node->item);
    if (!base) stop("Path: %s, corrupt", dir->path);
    const int named = make_candidate(candidate, base->path, dir->path, name);
    if (archive_first) {
      if (pf_file* member = pffopen(dir, name, mode)) {
        release_file(file);
        return member;
      }
      if (named && open_on_disk(file, candidate, mode)) return file;
    } else {
      if (named && open_on_disk(file, candidate, mode)) return file;
      if (pf_file* member = pffopen(dir, name, mode)) {
        release_file(file);
        return member;
      }
    }
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
  if (file->binary && std::fputc(CR, file->stream) == EOF) return 0;
  return std::fputc(LF, file->stream) != EOF;
}
