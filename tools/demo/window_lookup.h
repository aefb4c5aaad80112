// Finding and reading the windows of other programs, as the demo's tour driver and the
// end-to-end tests do when they drive the menu, the installer and the game from outside.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The window's text in UTF-8, asked for with WM_GETTEXT (GetWindowText gives another
// process's controls no text on Windows); empty when its program does not answer in time.
std::string window_text(HWND window);
// The items of a combo box in UTF-8, through the wide messages: the narrow ones come back
// garbled from another process under Wine.
std::vector<std::string> combo_items(HWND combo);
// The top-level windows of a process (0: any) with this class (null: any) and title (null:
// any), hidden ones too. Titles are read without sending anything, so a program that does
// not answer delays no search; blanks at the end are ignored (an NSIS wizard adds one).
std::vector<HWND> top_level_windows(DWORD process_id, const char* class_name, const char* title);
HWND visible_window(const char* title);  // the first such window that is visible, or null
// Polls the condition every 20 ms until it holds or timeout_ms have passed; its last value.
bool wait_until(const std::function<bool()>& condition, int timeout_ms);
