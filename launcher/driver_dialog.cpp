// The Select Driver dialog: the renderers on offer, best first, with the default selected
// and the help text of the selected one; its result is the chosen index, or -1.
#include "driver_dialog.h"

#include "driver_table.h"
#include "main_window.h"
#include "resource_ids.h"

namespace {

// Only one Select Driver dialog runs at a time; these hold for its length.
HWND g_driver_combo;
HWND g_driver_help;
const DriverChoice* g_driver_choice;

bool in_choice(int index) {
  return index >= 0 && index < g_driver_choice->count;
}

// Shows the help text of the entry at index, or clears it when index is out of range.
void show_help(int index) {
  char text[256] = "";
  if (in_choice(index)) load_menu_string(g_instance, g_driver_choice->entries[index]->help_id, text);
  if (g_driver_help != nullptr) SetWindowTextA(g_driver_help, text);
}

int list_selection() {
  return static_cast<int>(SendMessageA(g_driver_combo, CB_GETCURSEL, 0, 0));
}

void start_dialog(HWND dialog, const DriverChoice* choice) {
  center_window(dialog);
  g_driver_combo = GetDlgItem(dialog, IDC_DRIVER_LIST);
  g_driver_help = GetDlgItem(dialog, IDC_DRIVER_HELP);
  g_driver_choice = choice;
  // The list does not sort, so list index i is entries index i: best first.
  for (int i = 0; i < choice->count; ++i) {
    char name[256];
    load_menu_string(g_instance, choice->entries[i]->name_id, name);
    SendMessageA(g_driver_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }
  int initial = in_choice(choice->selection) ? choice->selection : 0;
  SendMessageA(g_driver_combo, CB_SETCURSEL, initial, 0);
  show_help(choice->selection);
}

}  // namespace

INT_PTR CALLBACK driver_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    start_dialog(dialog, reinterpret_cast<const DriverChoice*>(lparam));
    // The focus starts in the list, where the arrow keys choose and Enter is OK. Both buttons
    // of the template are default buttons, and the dialog manager takes the last, Cancel.
    SendMessageA(dialog, DM_SETDEFID, IDOK, 0);
    SetFocus(g_driver_combo);
    return FALSE;
  }
  if (message != WM_COMMAND) return FALSE;

  switch (LOWORD(wparam)) {
    case IDOK: {
      // With nothing chosen in the list there is nothing to store: the dialog stays.
      int chosen = list_selection();
      if (chosen != CB_ERR) EndDialog(dialog, chosen);
      return TRUE;
    }
    case IDCANCEL:  // also Escape and the close box
      EndDialog(dialog, -1);
      return TRUE;
    case IDC_DRIVER_LIST:
      if (HIWORD(wparam) != CBN_SELCHANGE) return FALSE;
      {
        int chosen = list_selection();
        if (chosen != CB_ERR) show_help(chosen);
      }
      return TRUE;
    default:
      return FALSE;
  }
}
