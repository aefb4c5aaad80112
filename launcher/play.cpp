// Play and Play Network Game: start the program that the stored driver choice names, from
// the install directory, and end the menu once it runs.
#include "play.h"

#include <direct.h>

#include <cstdio>

#include "commands.h"
#include "driver_file.h"
#include "driver_select.h"
#include "filelib/fileio.h"
#include "game_command.h"
#include "install_state.h"
#include "main_window.h"

namespace {

enum launch_kind { launch_game, launch_network };

// The common way out before anything was started: give back what is held and re-apply the
// enable rules.
int give_up(pf_file* file, pf_dir* dir) {
  pfclose(file);
  pfdir_close(dir);
  refresh_menu(g_main_window);
  return 0;
}

int launch(launch_kind kind) {
  char install_dir[registry_text_size];
  if (!read_install_dir(install_dir)) return 0;
  pf_dir* dir = pfdir_new(install_dir, nullptr);
  if (dir == nullptr) return give_up(nullptr, nullptr);
  if (!pfexists(dir, driver_choice_file_name) && !select_video_driver(install_dir, DRIVER_SELECT_SILENT)) {
    // A box of the selection may have seen the menu closed from outside, and tidy-up has
    // then released the directory handle.
    if (menu_closed()) return 0;
    return give_up(nullptr, dir);
  }
  pf_file* file = pfopen(dir, driver_choice_file_name, "rb");
  if (file == nullptr) return give_up(nullptr, dir);

  // Line 1 is the driver key, line 2 the game command; both must be there.
  char driver_key[play_line_capacity];
  char game_command[play_line_capacity];
  if (!pfgets(file, driver_key, play_line_capacity) || !pfgets(file, game_command, play_line_capacity)) {
    return give_up(file, dir);
  }
  // Anyone who plays may write the file; only the game's own programs are started from it.
  if (kind == launch_game && !is_game_program(game_command)) {
    give_up(file, dir);
    char choice_file[path_buffer_size];
    std::snprintf(choice_file, sizeof choice_file, "%s\\%s", install_dir, driver_choice_file_name);
    foreign_program_box(choice_file);
    return 0;
  }

  // Built before the current directory moves, so a line that cannot be built leaves it
  // alone; with the registry's and the reader's limits it always fits.
  char command_line[command_line_capacity];
  const int built =
      kind == launch_game
          ? build_game_command(install_dir, game_command, g_nofog, command_line, command_line_capacity)
          : build_network_command(install_dir, driver_key, command_line, command_line_capacity);
  if (!built) return give_up(file, dir);

  // The program runs with the install directory current. A current directory too long to
  // save is not restored on failure rather than restored to something else.
  char saved_dir[path_buffer_size];
  const bool saved = _getcwd(saved_dir, path_buffer_size) != nullptr;
  _chdir(install_dir);

  pfclose(file);
  pfdir_close(dir);

  if (run_program(command_line)) {
    close_menu();
    return 0;
  }
  if (saved) _chdir(saved_dir);
  error_box(error_installation);
  return 0;
}

}  // namespace

int play_game() {
  return launch(launch_game);
}

int play_network_game() {
  return launch(launch_network);
}
