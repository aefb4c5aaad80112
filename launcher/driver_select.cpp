// Video driver selection at the platform edge: starts the detection program, lets the
// player choose (or takes the default silently) and stores the choice in "korvexe.dat".
#include "driver_select.h"

#include "commands.h"
#include "driver_dialog.h"
#include "driver_file.h"
#include "install_state.h"
#include "main_window.h"
#include "resource_ids.h"

#include "filelib/fileio.h"

namespace {

// The dialog's result: the index of the chosen renderer, or -1 for Cancel or a dialog
// that could not be made.
int run_driver_dialog(DriverChoice* choice) {
  INT_PTR result = DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_SELECT_DRIVER), g_main_window,
                                   driver_dialog_proc, reinterpret_cast<LPARAM>(choice));
  return result >= 0 && result < choice->count ? static_cast<int>(result) : -1;
}

}  // namespace

int select_video_driver(const char* install_dir, int mode) {
  if (install_dir == nullptr) return 0;
  pf_dir* dir = pfdir_new(install_dir, nullptr);
  if (dir == nullptr) return 0;

  char command[detection_command_capacity];
  if (!format_detection_command(install_dir, command, sizeof command)) {
    pfdir_close(dir);
    return 0;
  }
  // The start returns once the detection program first waits for input (or has ended),
  // by which time it has left its result; it is not waited for beyond that.
  if (!run_program(command)) {
    // Released before the box, whose message loop may see the menu closed from outside.
    pfdir_close(dir);
    error_box(error_installation);
    return 0;
  }

  const bool interactive = mode == DRIVER_SELECT_INTERACTIVE;
  DriverChoice choice;
  if (!prepare_driver_choice(dir, interactive, &choice)) {
    pfdir_close(dir);
    return 0;
  }
  if (interactive) {
    int chosen = run_driver_dialog(&choice);
    // A menu closed from outside while the dialog was open ends the dialog too; tidy-up
    // has then released the directory handle, and nothing may be written.
    if (menu_closed()) {
      release_driver_choice(&choice);
      return 0;
    }
    if (chosen < 0) {
      release_driver_choice(&choice);
      pfdir_close(dir);
      return 0;
    }
    choice.selection = chosen;
  }
  // "korvexe.dat" is replaced only now, after every step that could still fail or cancel.
  unsigned long error = 0;
  int written = write_driver_file(dir, choice.entries[choice.selection], &error);
  release_driver_choice(&choice);
  pfdir_close(dir);
  if (!written) save_failure_box(IDS_SETTING_DRIVER, install_dir, error);
  return written;
}
