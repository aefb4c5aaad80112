// The demo uninstaller. It lies in the install directory it removes, and Windows does not
// delete a running program's file, so after removing everything else it copies itself to
// %TEMP% and starts that copy with /W=<its process id> /D=<folder>; the copy waits for
// this process to end, deletes uninstall.exe and the folder when empty, and has itself
// deleted at the next restart. "/S" removes without asking; the exit code tells the result.
#include <windows.h>

#include <cstdio>

#include "command_line.h"
#include "install_ops.h"
#include "install_plan.h"

namespace {

enum exit_code { EXIT_REMOVED = 0, EXIT_DECLINED = 1, EXIT_BAD_SWITCHES = 2, EXIT_FILES_LEFT = 3 };

constexpr char caption[] = "Korvamund Uninstall";
constexpr DWORD wait_for_parent_ms = 60000;

bool start_detached(const char* command_line) {
  char line[3 * MAX_PATH];
  std::snprintf(line, sizeof line, "%s", command_line);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// Hands the removal of this program's own file and of the folder to a copy in %TEMP%.
// When that cannot be done, both are left to the next restart.
void hand_over_own_removal(const char* module_path, const char* install_dir) {
  char temp_dir[MAX_PATH];
  char copy_path[MAX_PATH];
  DWORD length = GetTempPathA(sizeof temp_dir, temp_dir);
  bool started = false;
  if (length > 0 && length < sizeof temp_dir) {
    int written = std::snprintf(copy_path, sizeof copy_path, "%skorvamund-uninstall-%lu.exe", temp_dir,
                                static_cast<unsigned long>(GetCurrentProcessId()));
    char command[3 * MAX_PATH];
    if (written > 0 && static_cast<std::size_t>(written) < sizeof copy_path &&
        CopyFileA(module_path, copy_path, FALSE)) {
      written = std::snprintf(command, sizeof command, "\"%s\" /W=%lu /D=%s", copy_path,
                              static_cast<unsigned long>(GetCurrentProcessId()), install_dir);
      started = written > 0 && static_cast<std::size_t>(written) < sizeof command && start_detached(command);
      if (!started) DeleteFileA(copy_path);
    }
  }
  if (!started) {
    MoveFileExA(module_path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExA(install_dir, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  }
}

// Copies left by earlier uninstalls wait for a restart to go; those no longer running can
// go now (a running one, this copy included, refuses deletion).
void delete_earlier_copies(const char* module_path) {
  char pattern[MAX_PATH];
  char folder[MAX_PATH];
  if (!parent_dir(module_path, folder, sizeof folder) ||
      !join_path(folder, "korvamund-uninstall-*.exe", pattern, sizeof pattern)) {
    return;
  }
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    char path[MAX_PATH];
    if (join_path(folder, found.cFileName, path, sizeof path) && lstrcmpiA(path, module_path) != 0)
      DeleteFileA(path);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

// The copy in %TEMP%: the uninstaller's file is free once its process has ended.
int finish_removal(unsigned long parent_pid, const char* install_dir, const char* module_path) {
  HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, parent_pid);
  if (parent != nullptr) {
    WaitForSingleObject(parent, wait_for_parent_ms);
    CloseHandle(parent);
  }
  char uninstaller_path[MAX_PATH];
  int result = EXIT_REMOVED;
  if (join_path(install_dir, uninstaller_name, uninstaller_path, sizeof uninstaller_path)) {
    SetFileAttributesA(uninstaller_path, FILE_ATTRIBUTE_NORMAL);
    // The file can stay locked for a moment after the process has ended.
    bool deleted = false;
    for (int attempt = 0; attempt < 50 && !deleted; ++attempt) {
      deleted =
          DeleteFileA(uninstaller_path) || GetFileAttributesA(uninstaller_path) == INVALID_FILE_ATTRIBUTES;
      if (!deleted) Sleep(100);
    }
    if (!deleted) result = EXIT_FILES_LEFT;
  }
  // Fails, as it should, when the folder still holds files that are not the game's.
  RemoveDirectoryA(install_dir);
  delete_earlier_copies(module_path);
  MoveFileExA(module_path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return result;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char module_path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, module_path, sizeof module_path);
  if (length == 0 || length >= sizeof module_path) return EXIT_BAD_SWITCHES;
  demo_switches switches;
  if (!parse_switches(skip_known_program(GetCommandLineA(), module_path), &switches)) {
    MessageBoxA(nullptr, "Usage: uninstall.exe [/S]", caption, MB_OK | MB_ICONINFORMATION);
    return EXIT_BAD_SWITCHES;
  }
  char install_dir[MAX_PATH];
  if (switches.dir_given) {
    std::snprintf(install_dir, sizeof install_dir, "%s", switches.dir);
  } else if (!parent_dir(module_path, install_dir, sizeof install_dir)) {
    return EXIT_BAD_SWITCHES;
  }
  if (switches.wait_pid != 0) return finish_removal(switches.wait_pid, install_dir, module_path);

  if (!switches.silent) {
    char question[MAX_PATH + 128];
    std::snprintf(question, sizeof question, "Remove Korvamund and all of its programs from %s?",
                  install_dir);
    if (MessageBoxA(nullptr, question, caption, MB_YESNO | MB_ICONQUESTION) != IDYES) return EXIT_DECLINED;
  }
  unregister_game(install_dir);
  char own_dir[MAX_PATH];
  bool running_inside = parent_dir(module_path, own_dir, sizeof own_dir) && same_dir(own_dir, install_dir);
  int left = remove_game_files(install_dir, running_inside ? module_path : nullptr);
  refresh_running_menu();
  if (!switches.silent) {
    MessageBoxA(nullptr,
                left == 0 ? "Korvamund has been removed from your computer."
                          : "Korvamund has been removed, but some of its files could not be deleted.",
                caption, MB_OK | MB_ICONINFORMATION);
  }
  if (running_inside) {
    hand_over_own_removal(module_path, install_dir);
  } else {
    RemoveDirectoryA(install_dir);
  }
  return left == 0 ? EXIT_REMOVED : EXIT_FILES_LEFT;
}
