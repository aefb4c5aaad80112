// The fog work-around setting stored as one line in "frontend.dat" in the install directory.
#pragma once

// Sets *nofog to 1 when the first line of "frontend.dat" in install_dir is "NOFOG" in any
// letter case. Anything else (another word, an empty or missing file, a directory that
// cannot be entered) leaves *nofog as it was.
void load_fog_setting(const char* install_dir, int* nofog);

// Replaces "frontend.dat" in install_dir whole with the one line "NOFOG" when nofog is 1
// and "FOG" otherwise, ended by CR LF. Returns 1 when the new file is in place; else 0 and
// the old file stays as it was. *error (when given) is then the system's code for why the
// file could not be written, or 0 when the folder could not be entered and nothing was tried.
int store_fog_setting(const char* install_dir, int nofog, unsigned long* error = nullptr);
