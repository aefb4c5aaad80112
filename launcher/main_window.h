// The menu window: its class, geometry, buttons and picture, the enable rules, and the
// services every command uses: the error boxes, centring, and the common ending.
#pragma once

#include <windows.h>

extern HINSTANCE g_instance;
extern HWND g_main_window;
extern int g_nofog;  // fog work-around: loaded from "frontend.dat" at start, set by its dialog

constexpr DWORD menu_window_style = WS_CAPTION | WS_SYSMENU;
constexpr int menu_outer_width = 325;  // at 96 DPI; the menu grows with the screen's scale
constexpr int menu_outer_height = 545;
constexpr int menu_button_count = 8;

// Loads a string of the program's table into a 256-byte buffer (at most 254 characters).
void load_menu_string(HINSTANCE instance, UINT id, char (&buffer)[256]);

// Registers the menu's window class under the given name; 1 on success.
int register_menu_class(const char* class_name);

// Paints the picture and enables the buttons as the install state says.
void refresh_menu(HWND window);
HWND menu_button_window(int index);  // the buttons in the order of the button table, top to bottom

void error_box(int code);  // error_cdrom: the CD-ROM text; anything else: the installation text
// Tells the player, in a box owned by the menu, that a setting (string id) could not be
// saved in the folder, and why: the system's text for the error code.
void save_failure_box(UINT setting_id, const char* folder, unsigned long error);
// Tells the player that the stored choice (the file's path) names a program that is not
// one of the game's own, so nothing was started.
void foreign_program_box(const char* choice_file);
void center_window(HWND window);

void close_menu();  // runs at most once per process
// True once close_menu has run, for instance when the menu was closed from outside while a
// dialog or box of a command was open: the command must then end at once, cancelled, as
// every file-library handle has been released.
bool menu_closed();
