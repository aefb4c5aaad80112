// The installer's and uninstaller's work on disk and in the registry. Windows only.
#pragma once

#include <cstddef>

enum install_status {
  INSTALL_OK,
  INSTALL_BAD_DIR,          // not a usable directory name
  INSTALL_SOURCE_MISSING,   // a program to copy is not beside the installer
  INSTALL_DIR_FAILED,       // the directory could not be made
  INSTALL_COPY_FAILED,      // a program could not be copied
  INSTALL_REGISTRY_FAILED,  // a key or value could not be written
};

const char* install_status_text(install_status status);

// Copies the programs from source_dir into the install directory (made when missing) and
// registers the game. On any failure everything done so far is undone: copied files,
// folders it made, keys it wrote. problem (at least 1 byte) receives the file or key
// concerned, or an empty text. installed_dir (at least 128 bytes) receives the directory
// as stored.
install_status install_game(const char* source_dir, const char* typed_dir, char* installed_dir, char* problem,
                            std::size_t problem_capacity);

// The directory registered as value "Path" of the App Paths key. Returns 1, or 0 (out
// empty) when there is none.
int read_registered_dir(char* out, std::size_t capacity);

// Deletes the App Paths key when its "Path" names install_dir, and the Uninstall key when
// its "UninstallString" starts the uninstaller in install_dir: a later installation
// elsewhere keeps its registration. Returns the number of keys deleted.
int unregister_game(const char* install_dir);

// Deletes the installed programs, except the one named keep (the running uninstaller, or
// null), and the files the game writes there. Returns the number of files that exist and
// could not be deleted.
int remove_game_files(const char* install_dir, const char* keep);

// Asks a running menu to repaint, so its buttons show the new install state at once.
void refresh_running_menu();
