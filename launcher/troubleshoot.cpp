// The Graphics Troubleshooting dialog: one check box for the fog work-around, loaded from
// and stored in "frontend.dat". The flag changes as soon as the box is clicked; the file
// changes only on OK.
#include "troubleshoot.h"

#include "fog_setting.h"
#include "install_state.h"
#include "main_window.h"
#include "resource_ids.h"

INT_PTR CALLBACK troubleshoot_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  char install_dir[registry_text_size];
  switch (message) {
    case WM_INITDIALOG:
      if (read_install_dir(install_dir)) load_fog_setting(install_dir, &g_nofog);
      center_window(dialog);
      CheckDlgButton(dialog, IDC_NOFOG, g_nofog != 0 ? BST_CHECKED : BST_UNCHECKED);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK: {
          unsigned long error = 0;
          const bool failed =
              read_install_dir(install_dir) && !store_fog_setting(install_dir, g_nofog, &error);
          // Ended first, so that the box stands alone over the menu. A folder that cannot
          // be entered (error 0) is not a failed save: nothing could be written there.
          EndDialog(dialog, 0);
          if (failed && error != 0) save_failure_box(IDS_SETTING_FOG, install_dir, error);
          break;
        }
        case IDC_NOFOG:
          if (HIWORD(wparam) == BN_CLICKED) {
            g_nofog = IsDlgButtonChecked(dialog, IDC_NOFOG) == BST_CHECKED ? 1 : 0;
          }
          break;
        default:
          // Escape and the close box arrive as IDCANCEL: only OK ends this dialog.
          break;
      }
      return TRUE;
    default:
      return FALSE;
  }
}
