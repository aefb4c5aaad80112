// Command lines of the two play commands: the game program named by "korvexe.dat" and the
// network launcher, both started by full path in the install directory.
#pragma once

#include "install_state.h"

// Play reads each line of "korvexe.dat" with this capacity: at most 126 characters, and
// the rest of a longer line is read as the next line.
constexpr int play_line_capacity = 127;

// Room for the longest command line: install directory, "\", game command, " -anf", the
// two quotes around a program path with blanks, and the terminator.
constexpr int command_line_capacity = install_dir_max_length + 1 + (play_line_capacity - 1) + 5 + 2 + 1;

// Play: install_dir "\" game_command, then " -anf" when nofog is non-zero. The program
// (install_dir "\" and the first word of game_command) is quoted when it contains a blank,
// so the platform cannot take a shorter path up to that blank for the program.
// Returns 1 with the terminated line in out, or 0 with out empty when it would not fit.
int build_game_command(const char* install_dir, const char* game_command, int nofog, char* out, int capacity);

// 1 when the program of a game command (its first word) is one of the game's own programs
// that the driver table's commands name, as a bare file name in any letter case: a stored
// command naming any other program, a path, a drive or ".." must not be started.
int is_game_program(const char* game_command);

// Play Network Game: install_dir "\netlaunc.exe" and the renderer option for driver_key,
// quoted like the game. Same result as build_game_command.
int build_network_command(const char* install_dir, const char* driver_key, char* out, int capacity);

// The network launcher's renderer option (" -ar3" and so on): the option of the game
// command of the first renderer in the driver table whose key driver_key begins with,
// letter case significant; "" when none does.
const char* network_renderer_option(const char* driver_key);
