// The menu's command dispatcher and the starting of other programs.
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

// Routes a WM_COMMAND of the menu window to its command; returns 0. Only a plain click
// (notification 0) of one of the eight buttons runs a command; everything else re-applies
// the enable rules.
int dispatch_command(HWND window, int command, int notification);

int run_program(const char* command_line);  // WinExec with SW_RESTORE; 1 on success
