// The keyboard in the menu window, as in a dialog: Tab and the arrow keys move the focus
// among the enabled buttons, Enter and Space press the focused one. The message loop hands
// keys to IsDialogMessage, which asks the window for what a dialog would answer itself.
#pragma once

#include <windows.h>

// The window's answer to WM_ACTIVATE, WM_NEXTDLGCTL and DM_GETDEFID.
LRESULT menu_keyboard_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Puts the focus back on the button that had it when the menu went inactive, or on the
// first enabled one.
void restore_menu_focus();

// After the enable rules: when had_focus, the button that had the focus before them, is now
// disabled, the focus goes to the first enabled button. A focus that is still valid stays.
void hand_on_focus(HWND had_focus);
