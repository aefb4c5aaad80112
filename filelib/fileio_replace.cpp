// Replacing a file whole: the new bytes go to a temporary file beside it, which takes the
// old file's place in one step only once it is complete and on the disk.
#include "filelib/fileio.h"

#include <cstdio>

#include "filelib/fileio_internal.h"
#include "filelib/fileio_os.h"
#include "support/list.h"
#include "support/pool.h"

namespace {

// The temporary is the file's own name with this appended. No look-up of the menu or of
// an archive asks for such a name. A temporary that a crash left behind is removed by the
// next replacement of the same file; one that another replacement holds makes it fail.
const char temporary_suffix[] = ".new";

// A replacement under way: its handle, whose name is the temporary's path, and the path
// of the file it is to replace.
struct pending_replacement {
  pf_file* file;
  char* target;
};

list_node* pending_replacements = nullptr;
unsigned long last_error = 0;

// Where pfopen looks on disk first: under the handle's own path when it is absolute, else
// under the first path object of its search list.
int disk_path(char* out, const pf_dir* dir, const char* name) {
  const char* base = "";
  if (dir->search) {
    const list_node* first = dir->search->next;
    if (first == dir->search || !first->item) return 0;
    base = static_cast<const pf_path*>(first->item)->path;
  }
  char composed[FILEIO_PATH_LIMIT + 1];
  return fileio_compose(composed, base, dir->path, name) && fileio_os_full_path(out, composed);
}

pending_replacement* find_pending(const pf_file* file) {
  if (!file || !pending_replacements) return nullptr;
  for (list_node* node = pending_replacements->next; node != pending_replacements; node = node->next) {
    pending_replacement* pending = static_cast<pending_replacement*>(node->item);
    if (pending->file == file) return pending;
  }
  return nullptr;
}

// Gives back a replacement's memory; it is off the list and its stream is closed.
void release_pending(pending_replacement* pending) {
  if (pending->file) {
    fileio_text_free(pending->file->name);
    pool_free(pending->file, sizeof(pf_file));
  }
  fileio_text_free(pending->target);
  pool_free(pending, sizeof(pending_replacement));
}

// Ends a replacement that is not to take effect: its temporary is closed and removed.
void discard(pending_replacement* pending) {
  list_remove(pending, pending_replacements);
  fileio_os_discard_temporary(pending->file->stream, pending->file->name);
  release_pending(pending);
}

int refuse(unsigned long error) {
  last_error = error;
  return 0;
}

}  // namespace

pf_file* pfreplace_open(pf_dir* dir, const char* name) {
  char target[FILEIO_PATH_LIMIT + 1];
  char temporary[FILEIO_PATH_LIMIT + 1];
  if (!dir || !name || !disk_path(target, dir, name) ||
      !fileio_compose(temporary, target, temporary_suffix, "")) {
    refuse(fileio_os_error_bad_name);
    return nullptr;
  }
  if (!pending_replacements) pending_replacements = list_create();
  auto* pending = static_cast<pending_replacement*>(pool_alloc_zeroed(sizeof(pending_replacement)));
  if (!pending) {
    refuse(fileio_os_error_no_memory);
    return nullptr;
  }
  pending->file = static_cast<pf_file*>(pool_alloc_zeroed(sizeof(pf_file)));
  if (pending->file) pending->file->name = fileio_text_new(temporary);
  pending->target = fileio_text_new(target);
  // Everything is made and listed before the temporary is opened, so that nothing can fail
  // between its creation and its being known to tidy-up.
  if (!pending->file || !pending->file->name || !pending->target ||
      !list_append(pending, pending_replacements)) {
    release_pending(pending);
    refuse(fileio_os_error_no_memory);
    return nullptr;
  }
  pf_file* file = pending->file;
  file->stream = fileio_os_create_temporary(file->name, pending->target);
  if (!file->stream) {
    refuse(fileio_os_error());
    list_remove(pending, pending_replacements);
    release_pending(pending);
    return nullptr;
  }
  file->binary = 1;
  return file;
}

int pfreplace_commit(pf_file* file) {
  pending_replacement* pending = find_pending(file);
  if (!pending) return refuse(fileio_os_error_bad_name);
  // A line that pfputs could not write fails the whole replacement.
  if (std::ferror(file->stream)) {
    const unsigned long error = fileio_os_error();
    discard(pending);
    return refuse(error);
  }
  const int done = fileio_os_commit_temporary(file->stream, file->name, pending->target);
  const unsigned long error = done ? 0 : fileio_os_error();
  list_remove(pending, pending_replacements);
  release_pending(pending);
  return done ? 1 : refuse(error);
}

void pfreplace_discard(pf_file* file) {
  if (pending_replacement* pending = find_pending(file)) discard(pending);
}

unsigned long pfreplace_error() {
  return last_error;
}

void fileio_discard_replacements() {
  while (pending_replacements && pending_replacements->next != pending_replacements)
    discard(static_cast<pending_replacement*>(pending_replacements->next->item));
  list_destroy(pending_replacements);
  pending_replacements = nullptr;
}
