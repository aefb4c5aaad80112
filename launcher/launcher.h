// The menu's shared state and services, used by every command of the launcher.
#pragma once

#include <windows.h>

// Command ids: the control ids of the eight buttons.
enum : int {
  CMD_INSTALL_GAME = 8001,
  CMD_PLAY = 8002,
  CMD_INSTALL_DIRECTX = 8004,
  CMD_EXIT = 8005,
  CMD_UNINSTALL_GAME = 8006,
  CMD_NETWORK_PLAY = 8008,
  CMD_CHANGE_DRIVER = 8009,
  CMD_TROUBLESHOOT = 8010,
};

extern HINSTANCE g_instance;
extern HWND g_main_window;
extern int g_nofog;  // fog work-around; 0 at every start, set by the troubleshooting dialog

// Registry look-ups under HKEY_LOCAL_MACHINE\SOFTWARE\MICROSOFT\Windows\CurrentVersion.
// Both write a terminated text of at most 127 characters into out (at least 128 bytes)
// and return 1, or return 0 and leave out empty.
int read_app_path(const char* exe_name, const char* value_name, char* out);
int read_uninstall_string(const char* product_key, const char* value_name, char* out);

void error_box(int code);  // 5: the CD-ROM text; anything else: the installation text
// Tells the player, in a box owned by the menu, that a setting (string id) could not be
// saved in the folder, and why: the system's text for the error code.
void save_failure_box(UINT setting_id, const char* folder, unsigned long error);
void center_window(HWND window);
void close_menu();  // runs at most once per process
// True once close_menu has run, for instance when the menu was closed from outside while a
// dialog or box of a command was open: the command must then end at once, cancelled, as
// every file-library handle has been released.
bool menu_closed();
void refresh_menu(HWND window);
int run_program(const char* command_line);  // WinExec with SW_RESTORE; 1 on success

// Command handlers, each called for a plain click (notification 0); each returns 0.
int play_game();
int play_network_game();
INT_PTR CALLBACK troubleshoot_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
