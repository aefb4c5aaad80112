// Library start-up and tidy-up, path objects and directory handles.
#include "filelib/fileio.h"

#include <cstring>
#include <initializer_list>

#include "filelib/fileio_internal.h"
#include "filelib/fileio_os.h"
#include "support/list.h"
#include "support/pool.h"

list_node* fileio_paths = nullptr;
list_node* fileio_dirs = nullptr;
list_node* fileio_files = nullptr;

pf_path* fileio_program_path = nullptr;
pf_path* fileio_current_path = nullptr;
pf_dir* fileio_program_dir = nullptr;
pf_dir* fileio_current_dir = nullptr;

pf_path* pfpath_new(const char* name, pf_path* base) {
  if (!name) return nullptr;
  pf_path* object = static_cast<pf_path*>(pool_alloc_zeroed(sizeof(pf_path)));
  if (!object) return nullptr;
  char composed[FILEIO_PATH_LIMIT + 1];
  char full[FILEIO_PATH_LIMIT + 1];
  if (fileio_compose(composed, base ? base->path : "", name, "") && fileio_os_full_path(full, composed) &&
      fileio_append_separator(full)) {
    object->path = fileio_text_new(full);
    if (object->path && fileio_os_visit_directory(object->path) && list_append(object, fileio_paths))
      return object;
    fileio_text_free(object->path);
  }
  pool_free(object, sizeof(pf_path));
  return nullptr;
}

namespace {

// The directory a new handle names: absolute names stand alone, relative ones need a
// parent to stand under. 0 when the pairing is wrong or the path is too long.
int compose_directory(char* out, const char* name, const pf_path* parent) {
  const int absolute = fileio_os_name_is_absolute(name);
  if (parent) return !absolute && parent->path && fileio_compose(out, parent->path, name, "");
  return absolute && fileio_compose(out, name, "", "");
}

void release_dir(pf_dir* dir) {
  if (dir->search) list_destroy(dir->search);
  fileio_text_free(dir->path);
  pool_free(dir, sizeof(pf_dir));
}

}  // namespace

pf_dir* pfdir_new(const char* name, pf_path* parent) {
  if (!name) return nullptr;
  pf_dir* dir = static_cast<pf_dir*>(pool_alloc_zeroed(sizeof(pf_dir)));
  if (!dir) return nullptr;
  char composed[FILEIO_PATH_LIMIT + 1];
  char own_path[FILEIO_PATH_LIMIT + 1];
  // The handle keeps the name as the caller wrote it, only with a separator at its end.
  if (compose_directory(composed, name, parent) && fileio_os_visit_directory(composed) &&
      fileio_compose(own_path, name, "", "") && fileio_append_separator(own_path)) {
    dir->path = fileio_text_new(own_path);
    int made = dir->path != nullptr;
    if (made && parent) {
      dir->search = list_create();
      made = dir->search && list_append(parent, dir->search);
    }
    if (made && list_append(dir, fileio_dirs)) return dir;
  }
  release_dir(dir);
  return nullptr;
}

void pfdir_close(pf_dir* dir) {
  if (!dir) return;
  list_remove(dir, fileio_dirs);
  release_dir(dir);
}

int fileio_init() {
  fileio_paths = list_create();
  fileio_dirs = list_create();
  fileio_files = list_create();

  char directory[FILEIO_PATH_LIMIT + 1];
  fileio_program_path = fileio_os_program_directory(directory) ? pfpath_new(directory, nullptr) : nullptr;
  fileio_current_path = fileio_os_get_directory(directory) && fileio_append_separator(directory)
                            ? pfpath_new(directory, nullptr)
                            : nullptr;
  fileio_program_dir = pfdir_new("", fileio_program_path);
  fileio_current_dir = pfdir_new("", fileio_current_path);
  return 1;
}

namespace {

int list_has_items(const list_node* head) {
  return head && head->next != head;
}

}  // namespace

void fileio_tidyup() {
  while (list_has_items(fileio_paths)) {
    pf_path* object = static_cast<pf_path*>(fileio_paths->next->item);
    list_remove(object, fileio_paths);
    fileio_text_free(object->path);
    pool_free(object, sizeof(pf_path));
  }
  while (list_has_items(fileio_dirs)) {
    pf_dir* dir = static_cast<pf_dir*>(fileio_dirs->next->item);
    list_remove(dir, fileio_dirs);
    release_dir(dir);
  }
  fileio_discard_replacements();
  if (fileio_files) fileio_close_open_files();
  for (list_node** list : {&fileio_paths, &fileio_dirs, &fileio_files}) {
    if (*list) list_destroy(*list);
    *list = nullptr;
  }
  fileio_program_path = nullptr;
  fileio_current_path = nullptr;
  fileio_program_dir = nullptr;
  fileio_current_dir = nullptr;
}
