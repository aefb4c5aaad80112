// The text-file side of driver selection: the detection command line, reading the
// detection result "mdrivers.dat", ranking the renderers on offer, choosing the default,
// and storing the choice in "korvexe.dat". No platform calls, so it builds and is tested
// on every platform.
#pragma once

#include <cstddef>

#include "driver_table.h"
#include "install_state.h"

struct pf_dir;

// The stored choice, written here and read by Play.
constexpr char driver_choice_file_name[] = "korvexe.dat";

// Room for the longest detection command line: the install directory twice, the two file
// names, their separators, the blank between them and two pairs of quotes.
constexpr int detection_command_capacity = 2 * (install_dir_max_length + 1 + 12) + 1 + 4 + 1;
// Driver selection reads each line of "mdrivers.dat" and "korvexe.dat" with this capacity:
// at most 518 characters, and the rest of a longer line is read as the next line.
constexpr int selection_line_capacity = 519;

// "<dir>\mprofile.exe <dir>\mdrivers.dat". The program path and the argument are each
// quoted when the directory contains a blank, so the platform neither looks for a program
// at the first blank nor splits the argument. Returns 1 with the line in out, or 0 with out
// empty when it does not fit in capacity bytes.
int format_detection_command(const char* install_dir, char* out, std::size_t capacity);

// Clears state and reserved of every renderer, then reads "mdrivers.dat" from dir: finds
// the count line, then takes up to that many driver lines and marks the renderers they
// name. Returns 0 when the file cannot be opened (all states are
// then absent), else 1.
int read_detected_drivers(pf_dir* dir);

// Offers every renderer present or maybe present, best first, with no selection. Returns 0
// and allocates nothing when no renderer is present (maybe present ones alone are not
// offered) or memory runs out; else 1, and release_driver_choice frees the list.
int build_driver_choice(DriverChoice* choice);
void release_driver_choice(DriverChoice* choice);

// Index of the offered renderer whose key is the first line of "korvexe.dat" in dir (any
// letter case), or -1 when the file is missing, empty or names none on offer.
int stored_driver_index(const DriverChoice* choice, pf_dir* dir);
// Index of the best renderer on offer that is present (not only maybe present), or -1.
int best_present_index(const DriverChoice* choice);

// Everything between the detection program's start and the dialog: reads "mdrivers.dat",
// ranks the renderers and sets the default (in interactive mode the renderer stored in
// "korvexe.dat" when it is on offer, else the best present one). Returns 1 with choice
// ready (release it with release_driver_choice), or 0 with nothing to release.
int prepare_driver_choice(pf_dir* dir, int interactive, DriverChoice* choice);

// Replaces "korvexe.dat" in dir whole with two CR LF lines: the renderer's key and its
// command. Returns 1 when the new file is in place; else 0, the old file stays as it was,
// and *error (when given) is the system's code for why.
int write_driver_file(pf_dir* dir, const DriverEntry* entry, unsigned long* error = nullptr);
