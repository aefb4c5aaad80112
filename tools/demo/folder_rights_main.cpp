// folder_rights: setup's helper for the game folder, run by the installer.
//
//   folder_rights check FOLDER NAME...      may setup install into FOLDER?
//   folder_rights lock FOLDER               Users may only read, while setup copies
//   folder_rights protect FOLDER PROGRAM... the programs' and the folder's final rights
//
// check exits with a folder_verdict and prints the entry it refuses; lock and protect exit
// 0, or 1 after printing the path and the system's error code of the first failure. Each
// prints one line without its end, which the installer puts into its messages.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "folder_rights_apply.h"

namespace {

constexpr int exit_failed = 1;
constexpr int exit_usage = 2;

int report(const char* path, unsigned long error) {
  if (error == 0) return 0;
  std::printf("%s (system error %lu)", path, error);
  return exit_failed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "check") == 0) {
    char offending[MAX_PATH + 1] = "";
    const folder_verdict verdict =
        check_install_folder(argv[2], argv + 3, argc - 3, offending, sizeof offending);
    if (verdict != folder_usable) std::fputs(offending, stdout);
    return verdict;
  }
  if (argc == 3 && std::strcmp(argv[1], "lock") == 0)
    return report(argv[2], set_rights(argv[2], locked_folder_rights));
  if (argc >= 3 && std::strcmp(argv[1], "protect") == 0) {
    char failed[MAX_PATH + 1];
    return report(failed,
                  protect_game_folder(argv[2], argv + 3, argc - 3, set_rights, failed, sizeof failed));
  }
  std::fputs("usage: folder_rights check FOLDER NAME... | lock FOLDER | protect FOLDER PROGRAM...\n", stderr);
  return exit_usage;
}
