// The demo installer: a three-page wizard (welcome, folder, done) that copies the game's
// programs from its own folder and registers the game. "/S" installs without a window
// ("/D=folder" chooses the folder); the exit code is then the install_status.
#include <windows.h>

#include <cstdio>

#include "command_line.h"
#include "install_ops.h"
#include "install_plan.h"

namespace {

enum control_id { ID_TEXT = 100, ID_DIR = 101, ID_BACK = 102, ID_NEXT = 103 };
enum page { PAGE_WELCOME, PAGE_FOLDER, PAGE_DONE };
enum { EXIT_BAD_SWITCHES = 64, EXIT_CANCELLED = 65 };

constexpr char window_class[] = "KorvamundSetup";
constexpr char window_title[] = "Korvamund Setup";

struct wizard_state {
  page current;
  char source_dir[MAX_PATH];
  char installed_dir[install_dir_limit + 1];
  char offered_dir[MAX_PATH];
  HWND text, dir_edit, back, next, cancel;
  HFONT font;
  int exit_code;
};

wizard_state g_wizard;

void show_page(page shown) {
  g_wizard.current = shown;
  char text[512];
  switch (shown) {
    case PAGE_WELCOME:
      std::snprintf(text, sizeof text,
                    "Welcome to Korvamund Setup.\r\n\r\nThis installs Korvamund on your computer. "
                    "Click Next to choose where.");
      break;
    case PAGE_FOLDER:
      std::snprintf(text, sizeof text,
                    "Setup will install Korvamund into this folder. "
                    "To install it elsewhere, type another folder.");
      break;
    case PAGE_DONE:
      std::snprintf(text, sizeof text,
                    "Korvamund has been installed in %s.\r\n\r\nStart it from the Korvamund menu "
                    "with Play Korvamund.",
                    g_wizard.installed_dir);
      break;
  }
  SetWindowTextA(g_wizard.text, text);
  ShowWindow(g_wizard.dir_edit, shown == PAGE_FOLDER ? SW_SHOW : SW_HIDE);
  EnableWindow(g_wizard.back, shown == PAGE_FOLDER);
  ShowWindow(g_wizard.cancel, shown == PAGE_DONE ? SW_HIDE : SW_SHOW);
  SetWindowTextA(g_wizard.next, shown == PAGE_WELCOME  ? "&Next >"
                                : shown == PAGE_FOLDER ? "&Install"
                                                       : "&Finish");
  SetFocus(shown == PAGE_FOLDER ? g_wizard.dir_edit : g_wizard.next);
}

void install_from_page(HWND window) {
  char typed[512];
  GetWindowTextA(g_wizard.dir_edit, typed, sizeof typed);
  char problem[MAX_PATH];
  HCURSOR old_cursor = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  install_status status =
      install_game(g_wizard.source_dir, typed, g_wizard.installed_dir, problem, sizeof problem);
  SetCursor(old_cursor);
  if (status != INSTALL_OK) {
    char message[1024];
    std::snprintf(message, sizeof message, "%s\r\n%s", install_status_text(status), problem);
    MessageBoxA(window, message, window_title, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  g_wizard.exit_code = INSTALL_OK;
  refresh_running_menu();
  show_page(PAGE_DONE);
}

HWND make_control(HWND parent, const char* window_class_name, const char* text, DWORD style, int x, int y,
                  int width, int height, int id) {
  HWND control =
      CreateWindowExA(0, window_class_name, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  if (control != nullptr) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(g_wizard.font), FALSE);
  return control;
}

void create_controls(HWND window) {
  g_wizard.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  g_wizard.text = make_control(window, "STATIC", "", SS_LEFT, 20, 20, 400, 80, ID_TEXT);
  // A new installation goes where the last one was, unless a folder was given.
  char initial_dir[MAX_PATH];
  if (g_wizard.offered_dir[0] != '\0') {
    std::snprintf(initial_dir, sizeof initial_dir, "%s", g_wizard.offered_dir);
  } else if (!read_registered_dir(initial_dir, sizeof initial_dir)) {
    std::snprintf(initial_dir, sizeof initial_dir, "%s", default_install_dir);
  }
  g_wizard.dir_edit = make_control(window, "EDIT", initial_dir, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 20,
                                   110, 400, 24, ID_DIR);
  SendMessageA(g_wizard.dir_edit, EM_LIMITTEXT, install_dir_limit, 0);
  g_wizard.back =
      make_control(window, "BUTTON", "< &Back", WS_TABSTOP | BS_PUSHBUTTON, 170, 180, 80, 26, ID_BACK);
  g_wizard.next =
      make_control(window, "BUTTON", "&Next >", WS_TABSTOP | BS_DEFPUSHBUTTON, 255, 180, 80, 26, ID_NEXT);
  g_wizard.cancel =
      make_control(window, "BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 340, 180, 80, 26, IDCANCEL);
}

void on_command(HWND window, int id) {
  switch (id) {
    case ID_BACK:
      if (g_wizard.current == PAGE_FOLDER) show_page(PAGE_WELCOME);
      break;
    case ID_NEXT:
    case IDOK:
      if (g_wizard.current == PAGE_WELCOME) {
        show_page(PAGE_FOLDER);
      } else if (g_wizard.current == PAGE_FOLDER) {
        install_from_page(window);
      } else {
        DestroyWindow(window);
      }
      break;
    case IDCANCEL:
      if (g_wizard.current != PAGE_DONE) DestroyWindow(window);
      break;
  }
}

LRESULT CALLBACK wizard_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      create_controls(window);
      return 0;
    case WM_COMMAND:
      on_command(window, LOWORD(wparam));
      return 0;
    case WM_CLOSE:
      on_command(window, g_wizard.current == PAGE_DONE ? ID_NEXT : IDCANCEL);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

int run_wizard(HINSTANCE instance, int show) {
  g_wizard.exit_code = EXIT_CANCELLED;
  WNDCLASSA window_class_info = {};
  window_class_info.lpfnWndProc = wizard_proc;
  window_class_info.hInstance = instance;
  window_class_info.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class_info.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  window_class_info.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class_info.lpszClassName = window_class;
  if (!RegisterClassA(&window_class_info)) return EXIT_CANCELLED;
  RECT area = {0, 0, 440, 220};
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  AdjustWindowRect(&area, style, FALSE);
  int width = area.right - area.left;
  int height = area.bottom - area.top;
  HWND window = CreateWindowExA(
      0, window_class, window_title, style, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
      (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return EXIT_CANCELLED;
  show_page(PAGE_WELCOME);
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageA(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return g_wizard.exit_code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  char module_path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, module_path, sizeof module_path);
  if (length == 0 || length >= sizeof module_path ||
      !parent_dir(module_path, g_wizard.source_dir, MAX_PATH)) {
    return INSTALL_SOURCE_MISSING;
  }
  demo_switches switches;
  if (!parse_switches(skip_known_program(GetCommandLineA(), module_path), &switches) ||
      switches.wait_pid != 0) {
    if (!switches.silent) {
      MessageBoxA(nullptr, "Usage: setup.exe [/S] [/D=folder]", window_title, MB_OK | MB_ICONINFORMATION);
    }
    return EXIT_BAD_SWITCHES;
  }
  if (switches.silent) {
    char problem[MAX_PATH];
    char installed[install_dir_limit + 1];
    install_status status =
        install_game(g_wizard.source_dir, switches.dir_given ? switches.dir : default_install_dir, installed,
                     problem, sizeof problem);
    if (status == INSTALL_OK) refresh_running_menu();
    return status;
  }
  // A folder given with /D= is offered on the folder page.
  if (switches.dir_given)
    std::snprintf(g_wizard.offered_dir, sizeof g_wizard.offered_dir, "%s", switches.dir);
  return run_wizard(instance, show);
}
