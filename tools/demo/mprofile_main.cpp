// The renderer detection program: looks at the machine and writes the result file named
// by its one argument. It shows nothing and ends as soon as the file is complete, because
// the menu reads the file right after its start call returns.
#include <windows.h>

#include <cstring>

#include "command_line.h"
#include "renderer_probe.h"
#include "renderer_profile.h"

namespace {

enum exit_code { EXIT_WRITTEN = 0, EXIT_WRITE_FAILED = 1, EXIT_NO_PATH = 2 };

bool write_whole_file(const char* path, const char* data, DWORD size) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, data, size, &written, nullptr) && written == size;
  ok = CloseHandle(file) && ok;
  return ok;
}

// Written beside the result and renamed over it, so a reader sees the old file or the
// complete new one, never a part.
bool publish(const char* path, const char* data, DWORD size) {
  char temporary[MAX_PATH + 8];
  std::size_t length = std::strlen(path);
  if (length + sizeof ".tmp" > sizeof temporary) return false;
  std::memcpy(temporary, path, length);
  std::memcpy(temporary + length, ".tmp", sizeof ".tmp");
  if (!write_whole_file(temporary, data, size)) {
    DeleteFileA(temporary);
    return false;
  }
  if (!MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(temporary);
    return false;
  }
  return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char module_path[MAX_PATH];
  DWORD module_length = GetModuleFileNameA(nullptr, module_path, sizeof module_path);
  if (module_length == 0 || module_length >= sizeof module_path) module_path[0] = '\0';
  char result_path[MAX_PATH];
  if (!rest_as_path(skip_known_program(GetCommandLineA(), module_path), result_path, sizeof result_path)) {
    return EXIT_NO_PATH;
  }
  machine_probe probe = probe_machine();
  char text[1024];
  std::size_t length = format_profile(probe, text, sizeof text);
  if (length == 0 || !publish(result_path, text, static_cast<DWORD>(length))) return EXIT_WRITE_FAILED;
  return EXIT_WRITTEN;
}
