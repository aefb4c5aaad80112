#include "menu_keyboard.h"

#include "main_window.h"

namespace {

HWND g_focus_button;  // the button that had the focus when the menu last went inactive

bool is_menu_button(HWND window) {
  for (int i = 0; i < menu_button_count; ++i)
    if (window != nullptr && window == menu_button_window(i)) return true;
  return false;
}

void focus_first_enabled_button() {
  for (int i = 0; i < menu_button_count; ++i) {
    if (IsWindowEnabled(menu_button_window(i))) {
      SetFocus(menu_button_window(i));
      return;
    }
  }
}

}  // namespace

LRESULT menu_keyboard_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  HWND focus = GetFocus();
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        if (is_menu_button(focus)) g_focus_button = focus;
      } else if (HIWORD(wparam) == 0) {  // not minimised
        restore_menu_focus();
      }
      return 0;
    case WM_NEXTDLGCTL: {
      // The arrow keys name the next button of the group; otherwise the next tab stop.
      HWND next =
          LOWORD(lparam) ? reinterpret_cast<HWND>(wparam) : GetNextDlgTabItem(window, focus, wparam != 0);
      if (next != nullptr) SetFocus(next);
      return 0;
    }
    case DM_GETDEFID:  // Enter presses the focused button, as the default button of a dialog
      return is_menu_button(focus) && IsWindowEnabled(focus) ? MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID)
                                                             : 0;
    default:
      return 0;
  }
}

void restore_menu_focus() {
  // Wine takes a null window for the desktop, which counts as enabled.
  if (g_focus_button != nullptr && IsWindowEnabled(g_focus_button)) {
    SetFocus(g_focus_button);
  } else {
    focus_first_enabled_button();
  }
}

void hand_on_focus(HWND had_focus) {
  // The move notifies, and the refresh that the notification runs finds the focus on an
  // enabled button and leaves it there.
  if (is_menu_button(had_focus) && !IsWindowEnabled(had_focus)) focus_first_enabled_button();
}
