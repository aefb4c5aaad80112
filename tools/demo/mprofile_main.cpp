// The renderer detection program: looks at the machine and writes the result file named
// by its one argument. It shows nothing and ends as soon as the file is complete, because
// the menu reads the file right after its start call returns.
#include <windows.h>

#include <cstdio>

#include "command_line.h"
#include "renderer_probe.h"
#include "renderer_profile.h"
#include "tools/replace_path.h"

namespace {

enum exit_code { exit_written = 0, exit_write_failed = 1, exit_no_path = 2 };

// Written through the file library's replacement: "mdrivers.dat.new" beside the result,
// renamed over it once complete and on the disk, so a reader sees the old file or the
// complete new one, never a part.
bool publish(const char* path, const char* data, std::size_t size) {
  const char* why = nullptr;
  pf_file* file = replace_path_open(path, &why);
  if (file == nullptr) return false;
  if (std::fwrite(data, 1, size, file->stream) != size) {
    pfreplace_discard(file);
    return false;
  }
  return pfreplace_commit(file) != 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char module_path[MAX_PATH];
  DWORD module_length = GetModuleFileNameA(nullptr, module_path, sizeof module_path);
  if (module_length == 0 || module_length >= sizeof module_path) module_path[0] = '\0';
  char result_path[MAX_PATH];
  if (!rest_as_path(skip_known_program(GetCommandLineA(), module_path), result_path, sizeof result_path)) {
    return exit_no_path;
  }
  machine_probe probe = probe_machine();
  char text[1024];
  std::size_t length = format_profile(probe, text, sizeof text);
  fileio_init();
  const bool written = length != 0 && publish(result_path, text, length);
  fileio_tidyup();
  return written ? exit_written : exit_write_failed;
}
