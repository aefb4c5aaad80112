// What the demo installer puts where: the file list, the registry keys, the rules for the
// install directory and the installer's switches. No Win32 calls.
#pragma once

#include <cstddef>

// Programs copied from the installer's own folder into the install directory.
constexpr int installed_file_count = 7;
extern const char* const installed_files[installed_file_count];
constexpr char uninstaller_name[] = "uninstall.exe";

// Files the menu and the detection program write into the install directory. The
// uninstaller removes them too, so that an uninstall can leave the directory empty.
constexpr int game_data_file_count = 4;
extern const char* const game_data_files[game_data_file_count];

// Under HKEY_LOCAL_MACHINE.
constexpr char app_paths_key[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\korv.exe";
constexpr char uninstall_key[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvamund";
constexpr char game_display_name[] = "Korvamund";
constexpr char default_install_dir[] = "C:\\Games\\Korvamund";

// The menu reads the install directory into a 128-byte buffer and appends "\" and a file
// name, so a longer directory would be cut short there.
constexpr std::size_t install_dir_limit = 127;

// Turns typed text into the directory to store: blanks and enclosing quotes trimmed, "/"
// made "\", trailing "\" removed. It must be a drive letter, ":\" and at least one folder,
// with no empty, "." or ".." folder and no character Windows forbids in names; at most
// install_dir_limit characters. Returns 1 with out filled, or 0 with out empty.
int normalize_install_dir(const char* text, char* out, std::size_t capacity);

// dir + "\" + name. Returns 1, or 0 (out empty) when it does not fit.
int join_path(const char* dir, const char* name, char* out, std::size_t capacity);

// The folder part of a full file name (without the last "\"). Returns 1, or 0 when the name
// has no "\" or the folder does not fit.
int parent_dir(const char* file_path, char* out, std::size_t capacity);

// The command stored as "UninstallString": the uninstaller's path, quoted when it contains a
// blank. Returns 1, or 0 when it does not fit.
int uninstall_command(const char* uninstaller_path, char* out, std::size_t capacity);

// Two directories name the same folder: compared without regard to letter case, ignoring
// trailing "\".
bool same_dir(const char* a, const char* b);

// Switches of setup.exe and uninstall.exe:
//   /S          silent: no window, the exit code tells the result
//   /D=dir      install directory; the rest of the line, blanks included (so it comes last)
//   /W=pid      (uninstaller's clean-up copy) wait for that process to end first
struct demo_switches {
  int silent;
  int dir_given;
  char dir[260];
  unsigned long wait_pid;
};

// Parses the text after the program name. Returns 1, or 0 for an unknown switch, a /D=
// without a directory or one that does not fit, or a malformed /W=.
int parse_switches(const char* arguments, demo_switches* out);
