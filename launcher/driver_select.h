// Video driver detection and selection (Windows edge): runs the detection program,
// offers the detected renderers and stores the choice in "korvexe.dat".
#pragma once

enum : int {
  DRIVER_SELECT_INTERACTIVE = 0,
  DRIVER_SELECT_SILENT = 1,
};

// Returns 1 when "korvexe.dat" was written in install_dir, else 0.
int select_video_driver(const char* install_dir, int mode);
