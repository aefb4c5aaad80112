// The install state as the registry holds it: the game's install directory under App Paths
// and its uninstall command under Uninstall, both below
// HKLM\SOFTWARE\MICROSOFT\Windows\CurrentVersion.
#include <windows.h>

#include <cstring>

#include "install_state.h"

namespace {

// Opens the keys one level at a time, as the path is stored, and reads a text value.
// A value that is not text (REG_SZ, or REG_EXPAND_SZ used as stored), or that does not fit
// 127 characters and its terminator, counts as missing, so callers never see truncated,
// unterminated or binary text.
int read_registry_text(const char* branch, const char* leaf_key, const char* value_name, char* out) {
  out[0] = '\0';
  char leaf[registry_text_size] = {};
  if (std::strlen(leaf_key) >= sizeof leaf) return 0;
  std::memcpy(leaf, leaf_key, std::strlen(leaf_key));

  const char* const path[] = {"SOFTWARE", "MICROSOFT", "Windows", "CurrentVersion", branch, leaf};
  HKEY opened[6] = {};
  int depth = 0;
  HKEY parent = HKEY_LOCAL_MACHINE;
  for (const char* name : path) {
    if (RegOpenKeyExA(parent, name, 0, KEY_READ, &opened[depth]) != ERROR_SUCCESS) break;
    parent = opened[depth++];
  }

  int found = 0;
  if (depth == 6) {
    char data[registry_text_size];
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegQueryValueExA(parent, value_name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) ==
            ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
      // The stored bytes need not end in a terminator; one must fit behind the text.
      const void* end = std::memchr(data, '\0', size);
      const size_t length = end != nullptr ? static_cast<const char*>(end) - data : size;
      if (length < sizeof data) {
        std::memcpy(out, data, length);
        out[length] = '\0';
        found = 1;
      }
    }
  }
  while (depth > 0) RegCloseKey(opened[--depth]);
  return found;
}

// The one place that names where setup registers the install directory.
int read_registered_dir(char* out) {
  return read_app_path("korv.exe", "Path", out);
}

}  // namespace

int read_app_path(const char* exe_name, const char* value_name, char* out) {
  return read_registry_text("App Paths", exe_name, value_name, out);
}

int read_uninstall_string(const char* product_key, const char* value_name, char* out) {
  return read_registry_text("Uninstall", product_key, value_name, out);
}

bool game_registered() {
  char install_dir[registry_text_size];
  return read_registered_dir(install_dir) == 1;
}

int read_install_dir(char* out) {
  return read_registered_dir(out) && usable_install_dir(out);
}
