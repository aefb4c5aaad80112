// The rights setup gives the game folder and the files it puts there, written once as
// SDDL, and the rule for which folders setup may install into. No Win32 calls.
//
// The folder is shared by every player of the machine: the menu and the detection program
// write their setting files there as whichever player is playing, and an administrator
// plays, updates and uninstalls from it. So players may add files and replace the setting
// files, and nothing else: not the programs, not the uninstaller, not the folder's rights.
#pragma once

#include <cstddef>

// The game folder, protected from what lies above it. SYSTEM and Administrators: full
// control, inherited. Users, on the folder itself: list it and create files (0x1200ab:
// read and execute plus FILE_ADD_FILE), with no subfolders, no deleting what others put
// there and no change of rights. Files created later: Users may modify them, so one
// player's setting file can be replaced by the next, and their owner has no more than
// that (OW), so no player can lock the others out of a setting file.
constexpr char game_folder_rights[] =
    "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ab;;;BU)(A;OIIO;0x1301bf;;;BU)(A;OIIO;0x1301bf;;;OW)";
// The folder while setup copies into it: Users only read, so no file is writable before
// its own rights are set.
constexpr char locked_folder_rights[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
// The programs, the Readme and the uninstaller: Users read and run them (0x1200a9).
constexpr char program_rights[] = "D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)";

// What an installation may find in its folder, and the exit codes of `folder_rights check`.
enum folder_verdict {
  folder_usable = 0,         // new, empty, or only files setup and the menu write
  folder_foreign_entry = 3,  // a file or folder setup does not know
  folder_reparse_point = 4,  // the folder or an entry is a junction or other reparse point
  folder_unreadable = 5,     // it could not be listed
};

// Sets the rights of one path (an SDDL string); 0 on success, else the system's error code.
using rights_setter = unsigned long (*)(const char* path, const char* sddl);

// Gives each program in the folder program_rights, then the folder game_folder_rights, so
// that no program is ever open to players once they may add files. Returns 0, or the
// system's error code of the first failure, which ends it, with its path in `failed`.
unsigned long protect_game_folder(const char* folder, const char* const* programs, int program_count,
                                  rights_setter set, char* failed, std::size_t size);

// The verdict on one entry of the folder: only plain files named in `known` (letter case
// ignored, as Windows compares names) may stay.
folder_verdict judge_folder_entry(const char* name, bool is_folder, bool is_reparse_point,
                                  const char* const* known, int known_count);
