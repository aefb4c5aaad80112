// Program entry: refuse to run beside the game or another menu, start the file library,
// load the stored fog setting, create the menu window and run the message loop.
#include "main_window.h"

#include "filelib/fileio.h"
#include "fog_setting.h"
#include "install_state.h"
#include "resource_ids.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  char menu_class[256], menu_title[256], game_class[256], game_title[256];
  load_menu_string(instance, IDS_MENU_CLASS, menu_class);
  load_menu_string(instance, IDS_MENU_TITLE, menu_title);
  load_menu_string(instance, IDS_GAME_CLASS, game_class);
  load_menu_string(instance, IDS_GAME_TITLE, game_title);

  if (FindWindowA(game_class, game_title) != nullptr || FindWindowA(menu_class, menu_title) != nullptr)
    return 0;

  g_instance = instance;
  fileio_init();
  // The fog work-around stored by an earlier run applies from the start, to the first Play.
  char install_dir[registry_text_size];
  if (read_install_dir(install_dir)) load_fog_setting(install_dir, &g_nofog);

  // The class name doubles as the window title.
  if (register_menu_class(menu_class)) {
    g_main_window = CreateWindowExA(0, menu_class, menu_class, menu_window_style, 0, 0, menu_outer_width,
                                    menu_outer_height, nullptr, nullptr, instance, nullptr);
  }
  if (g_main_window == nullptr) {
    // Without a window nothing could ever end the message loop.
    close_menu();
    return 0;
  }
  ShowWindow(g_main_window, show_command);
  UpdateWindow(g_main_window);

  MSG message;
  BOOL got;
  while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
    // Tab, the arrow keys, Enter and Space move among the buttons and press them, as in a
    // dialog. IsDialogMessage dispatches every other message for the menu itself.
    if (IsDialogMessageA(g_main_window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return got == 0 ? static_cast<int>(message.wParam) : 0;
}
