// Shared by the stop tests: reading back a file the stopped process wrote, and on Windows
// finding a process's "Fatal Error" box as a user would see it.
#pragma once

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

inline std::string read_file(const std::string& path) {
  std::string content;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    char buffer[256];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, count);
    std::fclose(file);
  }
  return content;
}

#ifdef _WIN32
struct fatal_box_search {
  DWORD process;
  HWND box;
};

inline BOOL CALLBACK match_fatal_box(HWND window, LPARAM search_address) {
  fatal_box_search* search = reinterpret_cast<fatal_box_search*>(search_address);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char class_name[16] = "";
  char caption[32] = "";
  GetClassNameA(window, class_name, sizeof class_name);
  GetWindowTextA(window, caption, sizeof caption);
  if (process == search->process && std::string(class_name) == "#32770" &&
      std::string(caption) == "Fatal Error") {
    search->box = window;
    return FALSE;
  }
  return TRUE;
}

// The message box of class "#32770" captioned "Fatal Error" that process shows within 10
// seconds, or null.
inline HWND wait_for_fatal_box(DWORD process) {
  fatal_box_search search = {process, nullptr};
  for (int attempt = 0; attempt < 500 && search.box == nullptr; ++attempt) {
    EnumWindows(match_fatal_box, reinterpret_cast<LPARAM>(&search));
    if (search.box == nullptr) Sleep(20);
  }
  return search.box;
}

// A message box shows its text in the static control with id 0xFFFF.
inline std::string fatal_box_text(HWND box) {
  char text[512] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  return text;
}
#endif
