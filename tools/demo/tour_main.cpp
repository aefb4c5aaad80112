// Drives the demo tour for tools/demo/demo.sh: one step per call, addressed to a top-level
// window by its title. Clicks are posted, as real clicks arrive, never sent.
//
//   tour.exe wait TITLE [SECONDS]     until a visible window with that title exists
//   tour.exe gone TITLE [SECONDS]     until no window with that title exists, hidden or not
//   tour.exe click TITLE ID           BN_CLICKED from button ID to its window
//   tour.exe check TITLE ID           a mouse click on check box ID
//   tour.exe list TITLE ID            print the items of combo box ID, one per line
//   tour.exe text TITLE ID            print the text of item ID
//   tour.exe ready TITLE ID TEXT [SECONDS]
//                                     until item ID reads TEXT and is enabled (a wizard's
//                                     Next button, say, once the work behind it is done)
//   tour.exe close TITLE              ask the window to close (WM_CLOSE)
//   tour.exe drive ROOT               print the type of the drive (e.g. D:\), as Windows reports it
//   tour.exe cd-drive LETTER FOLDER   make LETTER: a CD-ROM drive holding FOLDER (Wine only);
//                                     FOLDER "-" takes the letter away
// Exit code 0 on success, 1 on time-out or a missing window, 2 on bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "window_lookup.h"
#include "wine_cd_drive.h"

namespace {

int wait_for(const char* title, double seconds, bool present) {
  // Gone means gone, not hidden: the menu's own check finds hidden windows too.
  if (wait_until(
          [&] {
            return present ? visible_window(title) != nullptr : top_level_windows(0, nullptr, title).empty();
          },
          static_cast<int>(seconds * 1000)))
    return 0;
  std::fprintf(stderr, "tour: window \"%s\" %s\n", title, present ? "did not appear" : "did not close");
  return 1;
}

HWND control_of(const char* title, int id, HWND* window) {
  *window = visible_window(title);
  if (*window == nullptr) {
    std::fprintf(stderr, "tour: no window \"%s\"\n", title);
    return nullptr;
  }
  HWND control = GetDlgItem(*window, id);
  if (control == nullptr) std::fprintf(stderr, "tour: window \"%s\" has no item %d\n", title, id);
  return control;
}

int click(const char* title, int id) {
  HWND window = nullptr;
  HWND control = control_of(title, id, &window);
  if (window == nullptr) return 1;
  // Message boxes and dialogs act on a command id without a control handle as well.
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
  return 0;
}

int check(const char* title, int id) {
  HWND window = nullptr;
  HWND control = control_of(title, id, &window);
  if (control == nullptr) return 1;
  PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  return 0;
}

int list(const char* title, int id) {
  HWND window = nullptr;
  HWND control = control_of(title, id, &window);
  if (control == nullptr) return 1;
  for (const std::string& item : combo_items(control)) std::printf("%s\n", item.c_str());
  return 0;
}

int text(const char* title, int id) {
  HWND window = nullptr;
  HWND control = control_of(title, id, &window);
  if (control == nullptr) return 1;
  std::printf("%s\n", window_text(control).c_str());
  return 0;
}

int wait_ready(const char* title, int id, const char* expected, double seconds) {
  if (wait_until(
          [&] {
            HWND window = visible_window(title);
            HWND control = window != nullptr ? GetDlgItem(window, id) : nullptr;
            return control != nullptr && IsWindowEnabled(control) && window_text(control) == expected;
          },
          static_cast<int>(seconds * 1000)))
    return 0;
  std::fprintf(stderr, "tour: item %d of \"%s\" did not become \"%s\"\n", id, title, expected);
  return 1;
}

int drive_type(const char* root) {
  static const char* const names[] = {"unknown", "none",   "removable", "fixed",
                                      "remote",  "CD-ROM", "RAM disk"};
  UINT type = GetDriveTypeA(root);
  std::printf("%s\n", type < sizeof names / sizeof names[0] ? names[type] : "unknown");
  return 0;
}

int close(const char* title) {
  HWND window = visible_window(title);
  if (window == nullptr) {
    std::fprintf(stderr, "tour: no window \"%s\"\n", title);
    return 1;
  }
  PostMessageA(window, WM_CLOSE, 0, 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: tour.exe wait|gone|close|drive|cd-drive|click|check|list|text|ready TITLE "
                 "[ID|SECONDS] [TEXT]\n");
    return 2;
  }
  const char* step = argv[1];
  const char* title = argv[2];
  double seconds = argc > 3 ? std::atof(argv[3]) : 20.0;
  if (std::strcmp(step, "wait") == 0) return wait_for(title, seconds, true);
  if (std::strcmp(step, "gone") == 0) return wait_for(title, seconds, false);
  if (std::strcmp(step, "close") == 0) return close(title);
  if (std::strcmp(step, "drive") == 0) return drive_type(title);
  if (std::strcmp(step, "cd-drive") == 0 && argc > 3) {
    if (set_wine_cd_drive(title[0], std::strcmp(argv[3], "-") == 0 ? nullptr : argv[3])) return 0;
    std::fprintf(stderr, "tour: drive %s: could not be %s\n", title, argv[3][0] == '-' ? "removed" : "made");
    return 1;
  }
  if (argc < 4) return 2;
  int id = std::atoi(argv[3]);
  if (std::strcmp(step, "click") == 0) return click(title, id);
  if (std::strcmp(step, "check") == 0) return check(title, id);
  if (std::strcmp(step, "list") == 0) return list(title, id);
  if (std::strcmp(step, "text") == 0) return text(title, id);
  if (std::strcmp(step, "ready") == 0 && argc > 4)
    return wait_ready(title, id, argv[4], argc > 5 ? std::atof(argv[5]) : 20.0);
  std::fprintf(stderr, "tour: unknown step %s\n", step);
  return 2;
}
