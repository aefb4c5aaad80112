// The game's install state: the install directory the registry names and its limits, the
// menu's path buffers, the two failures the error box reports, and the letter-case rule
// of the menu's keywords. The look-ups are Windows only; the rules build everywhere.
#pragma once

// The registered install directory holds at most this many characters; registry texts are
// read into buffers of registry_text_size bytes.
constexpr int install_dir_max_length = 127;
constexpr int registry_text_size = install_dir_max_length + 1;
// The menu's own path buffers: the platform's path limit.
constexpr int path_buffer_size = 260;

// What error_box reports: a file missing from the installation, or from the CD.
constexpr int error_installation = 3;
constexpr int error_cdrom = 5;

// A registered install directory is usable when it is non-empty and not the single blank " ".
bool usable_install_dir(const char* text);

// Whole texts equal, and word begins with prefix, ASCII letter case ignored.
bool equals_ignoring_case(const char* a, const char* b);
bool begins_ignoring_case(const char* word, const char* prefix);

// Registry look-ups under HKEY_LOCAL_MACHINE\SOFTWARE\MICROSOFT\Windows\CurrentVersion.
// Both write a terminated text of at most install_dir_max_length characters into out (at
// least registry_text_size bytes) and return 1, or return 0 and leave out empty.
int read_app_path(const char* exe_name, const char* value_name, char* out);
int read_uninstall_string(const char* product_key, const char* value_name, char* out);

// True when the game counts as installed: its install directory is registered, whatever
// the text. The enable rules and Uninstall Game go by this.
bool game_registered();
// The registered install directory into out (registry_text_size bytes or more): 1 when it
// is registered and usable, else 0. The commands that work in the directory go by this.
int read_install_dir(char* out);
