// The menu window: creation of the buttons and the picture, painting with the enable
// rules, the error box, centring, and the common ending of the menu.
#include "main_window.h"

#include "commands.h"
#include "install_state.h"
#include "filelib/fileio.h"
#include "menu_keyboard.h"
#include "menu_layout.h"
#include "resource_ids.h"
#include "window_dpi.h"

#include <cstdio>

HINSTANCE g_instance;
HWND g_main_window;
int g_nofog;

namespace {

HWND g_button[menu_button_count];
HBITMAP g_picture;
HDC g_picture_dc;
HFONT g_button_font;   // null while the buttons keep the system font
int g_dpi = base_dpi;  // the DPI the menu is laid out for
bool g_menu_closed;

constexpr int picture_width = 320;
constexpr int picture_height = 240;
constexpr int button_x = 5;
constexpr int button_width = 310;
constexpr DWORD button_style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_NOTIFY | BS_PUSHBUTTON;
constexpr int background_brush = COLOR_INACTIVEBORDER + 1;

struct menu_button {
  int label_id;
  int command;
  int y;
  int height;
  bool enabled_when_installed;
  bool enabled_when_not_installed;
};

// Creation order is the order of g_button.
const menu_button menu_buttons[menu_button_count] = {
    {IDS_CHANGE_DRIVER, CMD_CHANGE_DRIVER, 245, 30, true, false},
    {IDS_PLAY, CMD_PLAY, 275, 45, true, false},
    {IDS_NETWORK_PLAY, CMD_NETWORK_PLAY, 320, 45, true, false},
    {IDS_INSTALL_GAME, CMD_INSTALL_GAME, 365, 30, false, true},
    {IDS_INSTALL_DIRECTX, CMD_INSTALL_DIRECTX, 395, 30, true, true},
    {IDS_UNINSTALL_GAME, CMD_UNINSTALL_GAME, 425, 30, true, false},
    {IDS_TROUBLESHOOT, CMD_TROUBLESHOOT, 455, 30, true, true},
    {IDS_EXIT, CMD_EXIT, 485, 30, true, true},
};

// The outer size of the menu window at dpi: 325 by 545 at 96 DPI.
SIZE menu_outer_size(int dpi) {
  const RECT base = window_frame(menu_window_style, base_dpi), scaled = window_frame(menu_window_style, dpi);
  return {scale_outer_length(menu_outer_width, base.left + base.right, scaled.left + scaled.right, dpi),
          scale_outer_length(menu_outer_height, base.top + base.bottom, scaled.top + scaled.bottom, dpi)};
}

layout_rect button_rect(int index, int dpi) {
  const menu_button& button = menu_buttons[index];
  return scale_rect({button_x, button.y, button_x + button_width, button.y + button.height}, dpi);
}

// Gives every button the font (null: the system font) and releases the one they had.
void replace_button_font(HFONT font) {
  for (HWND button : g_button) SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (g_button_font != nullptr) DeleteObject(g_button_font);
  g_button_font = font;
}

// At 96 DPI the buttons keep the system font they have always had. At any other DPI they
// get a font of its look grown with the scale: bold, 16 pixels high at 96 DPI, in the
// system's outline face for messages. The system font itself is a bitmap font, which grows
// only by repeating its pixels, and Windows sizes it for the system's DPI, not the monitor's.
void size_button_font(int dpi) {
  constexpr int system_font_height = 16;  // at 96 DPI
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = sizeof metrics;
  HFONT font = nullptr;
  if ((dpi != base_dpi || system_dpi() != base_dpi) &&
      SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
    LOGFONTA look = metrics.lfMessageFont;
    look.lfHeight = scale_length(system_font_height, base_dpi, dpi);
    look.lfWidth = 0;
    look.lfWeight = FW_BOLD;
    font = CreateFontIndirectA(&look);
  }
  replace_button_font(font);
}

// Sizes the window, keeping its top-left corner unless a place is given, and lays the
// buttons out for dpi.
void lay_out_menu(HWND window, int dpi, const RECT* place) {
  g_dpi = dpi;
  const SIZE size = menu_outer_size(dpi);
  RECT now;
  GetWindowRect(window, &now);
  const POINT corner = place != nullptr ? POINT{place->left, place->top} : POINT{now.left, now.top};
  SetWindowPos(window, nullptr, corner.x, corner.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  for (int i = 0; i < menu_button_count; ++i) {
    const layout_rect rect = button_rect(i, dpi);
    SetWindowPos(g_button[i], nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  size_button_font(dpi);
  InvalidateRect(window, nullptr, TRUE);
}

void create_menu(HWND window) {
  g_dpi = window_dpi(window);
  const SIZE size = menu_outer_size(g_dpi);
  SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  center_window(window);
  for (int i = 0; i < menu_button_count; ++i) {
    const menu_button& button = menu_buttons[i];
    const layout_rect rect = button_rect(i, g_dpi);
    char label[256];
    load_menu_string(g_instance, static_cast<UINT>(button.label_id), label);
    g_button[i] = CreateWindowExA(
        0, "Button", label, button_style, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
        window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.command)), g_instance, nullptr);
  }
  size_button_font(g_dpi);
  g_picture = LoadBitmapA(g_instance, MAKEINTRESOURCEA(IDB_MENU_PICTURE));
  g_picture_dc = CreateCompatibleDC(nullptr);
  if (g_picture_dc != nullptr && g_picture != nullptr) SelectObject(g_picture_dc, g_picture);
  // The focused button shows its focus rectangle from the start, not only after a key.
  SendMessageA(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  // Centring may have activated the window before it had buttons to take the focus.
  if (GetFocus() == window) restore_menu_focus();
}

LRESULT CALLBACK menu_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      create_menu(window);
      return 0;
    case WM_DESTROY:
      close_menu();
      return 0;
    case WM_COMMAND:
      // Once the menu has closed, clicks still queued before the quit message must not
      // reach the file library, which has been tidied up.
      if (!g_menu_closed) dispatch_command(window, LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_PAINT:
      if (g_menu_closed) break;
      refresh_menu(window);
      return 0;
    case WM_ACTIVATE:
    case WM_NEXTDLGCTL:
    case DM_GETDEFID:
      return menu_keyboard_message(window, message, wparam, lparam);
    case dpi_changed_message:
      // Moved to a monitor of another DPI. Windows suggests the place on the new monitor; the
      // message posted by another program, which cannot pass a pointer, keeps the corner.
      lay_out_menu(window, LOWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

void load_menu_string(HINSTANCE instance, UINT id, char (&buffer)[256]) {
  buffer[0] = '\0';
  LoadStringA(instance, id, buffer, 255);
}

int register_menu_class(const char* class_name) {
  WNDCLASSA window_class = {};
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = menu_window_proc;
  window_class.hInstance = g_instance;
  window_class.hIcon = LoadIconA(g_instance, MAKEINTRESOURCEA(IDI_MENU_ICON));
  window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background_brush));
  window_class.lpszClassName = class_name;
  return RegisterClassA(&window_class) != 0;
}

void refresh_menu(HWND window) {
  // A command that ends after the menu has closed finds no window and no picture to paint.
  if (g_menu_closed) return;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (dc != nullptr) {
    // Scaled by repeating whole pixels (the same as a plain copy at 96 DPI), never blended:
    // the picture is pixel art, and blending blurs its hard edges. Every second or fourth
    // row and column repeats at 144 or 120 DPI, a step too small to see on such screens,
    // and the picture fills the room the layout gives it; the nearest whole factor would
    // leave a border around it there, or overflow it.
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 0, 0, scale_length(picture_width, base_dpi, g_dpi),
               scale_length(picture_height, base_dpi, g_dpi), g_picture_dc, 0, 0, picture_width,
               picture_height, MERGECOPY);
    SetBkMode(dc, TRANSPARENT);
  }
  EndPaint(window, &paint);

  // Any registered path counts as installed here; the commands apply the stricter test.
  const bool installed = game_registered();
  HWND focus = GetFocus();
  for (int i = 0; i < menu_button_count; ++i) {
    const menu_button& button = menu_buttons[i];
    EnableWindow(g_button[i], installed ? button.enabled_when_installed : button.enabled_when_not_installed);
  }
  hand_on_focus(focus);
}

void error_box(int code) {
  char caption[256], text[256];
  load_menu_string(g_instance, IDS_ERROR_CAPTION, caption);
  load_menu_string(g_instance, code == error_cdrom ? IDS_ERROR_CDROM : IDS_ERROR_INSTALL, text);
  MessageBoxA(g_main_window, text, caption, MB_ICONERROR);
}

void save_failure_box(UINT setting_id, const char* folder, unsigned long error) {
  char caption[256], format[256], setting[256];
  load_menu_string(g_instance, IDS_ERROR_CAPTION, caption);
  load_menu_string(g_instance, IDS_SAVE_FAILED, format);
  load_menu_string(g_instance, setting_id, setting);
  char reason[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                reason, sizeof reason, nullptr);
  // The system's text ends in a line break that the box does not need.
  while (length > 0 &&
         (reason[length - 1] == '\r' || reason[length - 1] == '\n' || reason[length - 1] == ' '))
    --length;
  reason[length] = '\0';
  if (length == 0) {
    char code_format[256];
    load_menu_string(g_instance, IDS_SAVE_ERROR_CODE, code_format);
    std::snprintf(reason, sizeof reason, code_format, error);
  }
  char text[1024];
  std::snprintf(text, sizeof text, format, setting, folder, reason);
  MessageBoxA(g_main_window, text, caption, MB_ICONERROR);
}

void foreign_program_box(const char* choice_file) {
  char caption[256], format[256];
  load_menu_string(g_instance, IDS_ERROR_CAPTION, caption);
  load_menu_string(g_instance, IDS_FOREIGN_PROGRAM, format);
  char text[512];
  std::snprintf(text, sizeof text, format, choice_file);
  MessageBoxA(g_main_window, text, caption, MB_ICONERROR);
}

void center_window(HWND window) {
  int reference_width, reference_height;
  if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) {
    RECT parent;
    GetWindowRect(GetParent(window), &parent);
    reference_width = parent.right - parent.left + 1;
    reference_height = parent.bottom - parent.top + 1;
  } else {
    reference_width = GetSystemMetrics(SM_CXSCREEN);
    reference_height = GetSystemMetrics(SM_CYSCREEN);
  }
  RECT own;
  GetWindowRect(window, &own);
  const int x = (reference_width - (own.right - own.left) - 1) / 2;
  const int y = (reference_height - (own.bottom - own.top) - 1) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
}

HWND menu_button_window(int index) {
  return g_button[index];
}

bool menu_closed() {
  return g_menu_closed;
}

void close_menu() {
  if (g_menu_closed) return;
  g_menu_closed = true;
  replace_button_font(nullptr);
  if (g_picture_dc != nullptr) DeleteDC(g_picture_dc);
  if (g_picture != nullptr) DeleteObject(g_picture);
  g_picture_dc = nullptr;
  g_picture = nullptr;
  fileio_tidyup();
  PostQuitMessage(0);
}
