// The menu window: its class, geometry, buttons and picture.
#pragma once

#include <windows.h>

enum : int {
  MENU_OUTER_WIDTH = 325,
  MENU_OUTER_HEIGHT = 545,
  MENU_BUTTON_COUNT = 8,
};

// Loads a string of the program's table into a 256-byte buffer (at most 254 characters).
void load_menu_string(HINSTANCE instance, UINT id, char (&buffer)[256]);

// Registers the menu's window class under the given name; 1 on success.
int register_menu_class(const char* class_name);

// Routes a WM_COMMAND of the menu window to its command (commands.cpp).
int dispatch_command(HWND window, int command, int notification);
