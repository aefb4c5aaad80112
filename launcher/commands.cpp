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

int install_game() {
  if (!run_program("setup.exe")) {
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
  // The DirectX setup lies on the CD, at the root of the current directory's drive.
  char command[path_buffer_size];
  std::snprintf(command, sizeof command, "%.2s\\redist\\directx\\dxsetup.exe", current);
  if (!run_program(command)) error_box(error_cdrom);
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
