// The menu's command dispatcher and the commands that only start a setup program or end
// the menu: Install Game, Install DirectX, Uninstall Game, Exit.
#include "commands.h"

#include <direct.h>

#include <cstdio>

#include "driver_select.h"
#include "install_state.h"
#include "main_window.h"
#include "play.h"
#include "resource_ids.h"
#include "troubleshoot.h"

namespace {

constexpr char directx_setup[] = "\\redist\\directx\\dxsetup.exe";

// The disc's volume label, as the CD image is made.
constexpr char game_disc_label[] = "KORVAMUND";

// Where the setup programs come from. From the disc, the menu runs with its drive current
// and finds them there as it always did. The installed menu runs in the game folder, where
// any player may add files: it takes them only from the game's disc, in whichever CD-ROM
// drive holds it.
enum disc_place { disc_in_current_drive, disc_in_other_drive, disc_missing };

disc_place find_game_disc(const char* current, char (&root)[4]) {
  std::snprintf(root, sizeof root, "%.2s\\", current);
  if (current[0] != '\0' && current[1] == ':' && GetDriveTypeA(root) == DRIVE_CDROM)
    return disc_in_current_drive;
  const DWORD drives = GetLogicalDrives();
  for (int drive = 0; drive < 26; ++drive) {
    if (!(drives & (1u << drive))) continue;
    std::snprintf(root, sizeof root, "%c:\\", 'A' + drive);
    char label[path_buffer_size];
    if (GetDriveTypeA(root) == DRIVE_CDROM &&
        GetVolumeInformationA(root, label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0) &&
        equals_ignoring_case(label, game_disc_label))
      return disc_in_other_drive;
  }
  return disc_missing;
}

// Starts a program of the disc, given by its path from the disc's root ("\\setup.exe"); in
// the current drive, by the name the menu has always used for it. 0 when the disc is
// missing or the start fails.
int run_from_disc(const char* current, const char* from_root, const char* name_in_current_drive) {
  char root[4];
  const disc_place place = find_game_disc(current, root);
  if (place == disc_missing) return 0;
  char command[path_buffer_size];
  if (place == disc_in_current_drive)
    std::snprintf(command, sizeof command, "%s", name_in_current_drive);
  else
    std::snprintf(command, sizeof command, "%.2s%s", root, from_root);
  return run_program(command);
}

int install_game() {
  char current[path_buffer_size];
  if (_getcwd(current, path_buffer_size) == nullptr) current[0] = '\0';
  if (!run_from_disc(current, "\\setup.exe", "setup.exe")) {
    error_box(error_cdrom);
    return 0;
  }
  // Setup of an installed game (e.g. a repair) takes over from the menu.
  char install_dir[registry_text_size];
  if (read_install_dir(install_dir)) close_menu();
  return 0;
}

int install_directx() {
  char current[path_buffer_size];
  if (_getcwd(current, path_buffer_size) == nullptr) return 0;
  // The DirectX setup lies on the disc, below the root of the current directory's drive.
  char in_current_drive[path_buffer_size];
  std::snprintf(in_current_drive, sizeof in_current_drive, "%.2s%s", current, directx_setup);
  if (!run_from_disc(current, directx_setup, in_current_drive)) error_box(error_cdrom);
  return 0;
}

int uninstall_game() {
  char command[registry_text_size];
  // A blank value counts as no uninstaller, by the same rule as the install directory.
  if (read_uninstall_string("Korvamund", "UninstallString", command) && usable_install_dir(command) &&
      !run_program(command)) {
    error_box(error_installation);
    return 0;
  }
  if (!game_registered()) close_menu();
  return 0;
}

void change_driver() {
  char install_dir[registry_text_size];
  if (read_install_dir(install_dir)) select_video_driver(install_dir, DRIVER_SELECT_INTERACTIVE);
}

}  // namespace

int run_program(const char* command_line) {
  return WinExec(command_line, SW_RESTORE) >= 32 ? 1 : 0;
}

int dispatch_command(HWND window, int command, int notification) {
  // Focus changes and double clicks of the buttons, and unknown ids, only refresh the
  // enable rules, as do the two commands with dialogs once they are done.
  if (notification == BN_CLICKED) {
    switch (command) {
      case CMD_INSTALL_GAME:
        return install_game();
      case CMD_PLAY:
        return play_game();
      case CMD_INSTALL_DIRECTX:
        return install_directx();
      case CMD_EXIT:
        close_menu();
        return 0;
      case CMD_UNINSTALL_GAME:
        return uninstall_game();
      case CMD_NETWORK_PLAY:
        return play_network_game();
      case CMD_CHANGE_DRIVER:
        change_driver();
        break;
      case CMD_TROUBLESHOOT:
        DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_TROUBLESHOOT), g_main_window,
                        troubleshoot_dialog_proc, 0);
        break;
    }
  }
  refresh_menu(window);
  return 0;
}
