#include "install_ops.h"

#include <windows.h>

#include <cstring>

#include "install_plan.h"

namespace {

bool file_exists(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool dir_exists(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void copy_text(char* out, std::size_t capacity, const char* text) {
  if (capacity == 0) return;
  std::size_t length = std::strlen(text);
  if (length >= capacity) length = capacity - 1;
  std::memcpy(out, text, length);
  out[length] = '\0';
}

// Folders made on the way to the install directory, deepest last, so a failed install
// removes exactly those. A directory of at most 127 characters has fewer than 64 levels.
struct made_dirs {
  int count;
  char path[64][128];
};

bool make_dirs(const char* dir, made_dirs* made) {
  made->count = 0;
  char prefix[128];
  std::size_t length = std::strlen(dir);
  if (length >= sizeof prefix) return false;
  // Start after "X:\"; each "\" and the end mark one level.
  for (std::size_t i = 3; i <= length; ++i) {
    if (dir[i] != '\\' && dir[i] != '\0') continue;
    std::memcpy(prefix, dir, i);
    prefix[i] = '\0';
    if (dir_exists(prefix)) continue;
    if (!CreateDirectoryA(prefix, nullptr)) return false;
    if (made->count < 64) copy_text(made->path[made->count++], sizeof made->path[0], prefix);
  }
  return true;
}

void remove_made_dirs(const made_dirs* made) {
  for (int i = made->count - 1; i >= 0; --i) RemoveDirectoryA(made->path[i]);
}

bool set_string(HKEY key, const char* name, const char* value) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                        static_cast<DWORD>(std::strlen(value) + 1)) == ERROR_SUCCESS;
}

bool write_key(const char* subkey, const char* names[], const char* values[], int count) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  bool ok = true;
  for (int i = 0; i < count && ok; ++i) ok = set_string(key, names[i], values[i]);
  RegCloseKey(key);
  return ok;
}

int read_string(const char* subkey, const char* name, char* out, std::size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = '\0';
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return 0;
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(capacity - 1);
  LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) {
    out[0] = '\0';
    return 0;
  }
  out[size < capacity ? size : capacity - 1] = '\0';
  return 1;
}

bool register_game(const char* dir) {
  char game_path[MAX_PATH];
  char uninstaller_path[MAX_PATH];
  char uninstall_string[MAX_PATH + 2];
  if (!join_path(dir, "korv.exe", game_path, sizeof game_path) ||
      !join_path(dir, uninstaller_name, uninstaller_path, sizeof uninstaller_path) ||
      !uninstall_command(uninstaller_path, uninstall_string, sizeof uninstall_string)) {
    return false;
  }
  const char* app_names[] = {"", "Path"};
  const char* app_values[] = {game_path, dir};
  const char* uninstall_names[] = {"DisplayName", "UninstallString"};
  const char* uninstall_values[] = {game_display_name, uninstall_string};
  return write_key(app_paths_key, app_names, app_values, 2) &&
         write_key(uninstall_key, uninstall_names, uninstall_values, 2);
}

void delete_registration() {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, app_paths_key);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, uninstall_key);
}

}  // namespace

const char* install_status_text(install_status status) {
  switch (status) {
    case INSTALL_OK:
      return "Korvamund has been installed.";
    case INSTALL_BAD_DIR:
      return "Please give a folder on a drive, such as C:\\Games\\Korvamund (at most 127 "
             "characters).";
    case INSTALL_SOURCE_MISSING:
      return "A file of the game is missing from the CD:";
    case INSTALL_DIR_FAILED:
      return "The folder could not be created:";
    case INSTALL_COPY_FAILED:
      return "A file could not be copied:";
    case INSTALL_REGISTRY_FAILED:
      return "The game could not be registered in the system registry:";
  }
  return "";
}

install_status install_game(const char* source_dir, const char* typed_dir, char* installed_dir, char* problem,
                            std::size_t problem_capacity) {
  copy_text(problem, problem_capacity, "");
  char dir[install_dir_limit + 1];
  installed_dir[0] = '\0';
  if (!normalize_install_dir(typed_dir, dir, sizeof dir)) return INSTALL_BAD_DIR;

  char sources[installed_file_count][MAX_PATH];
  char targets[installed_file_count][MAX_PATH];
  for (int i = 0; i < installed_file_count; ++i) {
    if (!join_path(source_dir, installed_files[i], sources[i], MAX_PATH) || !file_exists(sources[i])) {
      copy_text(problem, problem_capacity, installed_files[i]);
      return INSTALL_SOURCE_MISSING;
    }
    join_path(dir, installed_files[i], targets[i], MAX_PATH);
  }

  made_dirs made;
  if (!make_dirs(dir, &made)) {
    remove_made_dirs(&made);
    copy_text(problem, problem_capacity, dir);
    return INSTALL_DIR_FAILED;
  }
  for (int i = 0; i < installed_file_count; ++i) {
    // Files from a CD are read-only, and so would be their copies and an earlier
    // installation's files that this one replaces.
    if (file_exists(targets[i])) SetFileAttributesA(targets[i], FILE_ATTRIBUTE_NORMAL);
    bool copied = CopyFileA(sources[i], targets[i], FALSE);
    if (copied) SetFileAttributesA(targets[i], FILE_ATTRIBUTE_NORMAL);
    if (!copied) {
      for (int j = 0; j <= i; ++j) DeleteFileA(targets[j]);
      remove_made_dirs(&made);
      copy_text(problem, problem_capacity, targets[i]);
      return INSTALL_COPY_FAILED;
    }
  }
  if (!register_game(dir)) {
    delete_registration();
    for (int i = 0; i < installed_file_count; ++i) DeleteFileA(targets[i]);
    remove_made_dirs(&made);
    copy_text(problem, problem_capacity, "HKEY_LOCAL_MACHINE\\SOFTWARE\\...\\Korvamund");
    return INSTALL_REGISTRY_FAILED;
  }
  copy_text(installed_dir, install_dir_limit + 1, dir);
  return INSTALL_OK;
}

int read_registered_dir(char* out, std::size_t capacity) {
  return read_string(app_paths_key, "Path", out, capacity);
}

int unregister_game(const char* install_dir) {
  int deleted = 0;
  char value[MAX_PATH + 2];
  if (read_string(app_paths_key, "Path", value, sizeof value) && same_dir(value, install_dir) &&
      RegDeleteKeyA(HKEY_LOCAL_MACHINE, app_paths_key) == ERROR_SUCCESS) {
    ++deleted;
  }
  char uninstaller_path[MAX_PATH];
  char expected[MAX_PATH + 2];
  if (read_string(uninstall_key, "UninstallString", value, sizeof value) &&
      join_path(install_dir, uninstaller_name, uninstaller_path, sizeof uninstaller_path) &&
      uninstall_command(uninstaller_path, expected, sizeof expected) && lstrcmpiA(value, expected) == 0 &&
      RegDeleteKeyA(HKEY_LOCAL_MACHINE, uninstall_key) == ERROR_SUCCESS) {
    ++deleted;
  }
  return deleted;
}

int remove_game_files(const char* install_dir, const char* keep) {
  int left = 0;
  char path[MAX_PATH];
  for (int i = 0; i < installed_file_count + game_data_file_count; ++i) {
    const char* name =
        i < installed_file_count ? installed_files[i] : game_data_files[i - installed_file_count];
    if (!join_path(install_dir, name, path, sizeof path)) continue;
    if (keep != nullptr && lstrcmpiA(path, keep) == 0) continue;
    if (!file_exists(path)) continue;
    // Files written as root under Wine, or copied from a CD, can be read-only.
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileA(path)) ++left;
  }
  return left;
}

void refresh_running_menu() {
  HWND menu = FindWindowA("Korvamund Startup", "Korvamund Startup");
  if (menu != nullptr) RedrawWindow(menu, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}
