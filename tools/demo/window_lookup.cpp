#include "window_lookup.h"

#include <cstring>

namespace {

constexpr int text_capacity = 512;  // characters read of a title, a text or an item

std::string utf8(const wchar_t* wide) {  // at most text_capacity characters with the terminator
  char narrow[3 * text_capacity] = {};   // UTF-8 needs at most three bytes for a UTF-16 unit
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

std::string title_of(HWND window) {
  wchar_t title[text_capacity] = {};
  GetWindowTextW(window, title, text_capacity);
  std::string text = utf8(title);
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

struct window_search {
  DWORD process_id;
  const char *class_name, *title;
  std::vector<HWND> found;
};

BOOL CALLBACK collect_window(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<window_search*>(parameter);
  DWORD owner = 0;
  char class_name[256] = {};
  GetWindowThreadProcessId(window, &owner);
  GetClassNameA(window, class_name, sizeof class_name);
  if ((!search->process_id || owner == search->process_id) &&
      (!search->class_name || !std::strcmp(class_name, search->class_name)) &&
      (!search->title || title_of(window) == search->title))
    search->found.push_back(window);
  return TRUE;
}

}  // namespace

std::string window_text(HWND window) {
  wchar_t text[text_capacity] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text_capacity, LPARAM(text), SMTO_ABORTIFHUNG, 5000, &copied);
  return utf8(text);
}

std::vector<std::string> combo_items(HWND combo) {
  std::vector<std::string> items;
  for (LRESULT i = 0, count = SendMessageW(combo, CB_GETCOUNT, 0, 0); i < count; ++i) {
    wchar_t text[text_capacity] = {};
    if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < text_capacity)
      SendMessageW(combo, CB_GETLBTEXT, i, LPARAM(text));
    items.push_back(utf8(text));
  }
  return items;
}

std::vector<HWND> top_level_windows(DWORD process_id, const char* class_name, const char* title) {
  window_search search{process_id, class_name, title, {}};
  EnumWindows(collect_window, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND visible_window(const char* title) {
  for (HWND window : top_level_windows(0, nullptr, title))
    if (IsWindowVisible(window)) return window;
  return nullptr;
}

bool wait_until(const std::function<bool()>& condition, int timeout_ms) {
  for (const DWORD start = GetTickCount(); !condition(); Sleep(20))
    if (static_cast<int>(GetTickCount() - start) >= timeout_ms) return condition();
  return true;
}
