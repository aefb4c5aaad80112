#include "harness.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// ---- files and folders -------------------------------------------------------------

std::string program_dir() {
  char path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  std::string dir(path, length);
  size_t slash = dir.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
}

std::string join_path(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '\\' || dir.back() == '/') return dir + name;
  return dir + "\\" + name;
}

std::string make_scratch_dir() {
  char temp[MAX_PATH + 1] = {};
  DWORD length = GetTempPathA(sizeof temp, temp);
  if (length == 0 || length >= sizeof temp) return std::string();
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[64];
    std::snprintf(name, sizeof name, "korv e2e %lu-%u", GetCurrentProcessId(), counter++);
    std::string dir = join_path(temp, name);
    if (CreateDirectoryA(dir.c_str(), nullptr)) return dir;
  }
  return std::string();
}

bool make_dir(const std::string& path) {
  if (path.empty()) return false;
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  size_t slash = path.find_last_of("\\/");
  if (slash != std::string::npos && slash > 2) make_dir(path.substr(0, slash));
  return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool remove_tree(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path.c_str()) != 0;
  }
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(join_path(path, "*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (std::strcmp(entry.cFileName, ".") == 0 || std::strcmp(entry.cFileName, "..") == 0) continue;
      remove_tree(join_path(path, entry.cFileName));
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  return RemoveDirectoryA(path.c_str()) != 0;
}

bool file_exists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool read_file(const std::string& path, std::string* bytes) {
  bytes->clear();
  // Shared for writing too, so a log that a stand-in is appending to can be read.
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char chunk[4096];
  DWORD got = 0;
  bool ok;
  while ((ok = ReadFile(file, chunk, sizeof chunk, &got, nullptr) != 0) && got > 0) bytes->append(chunk, got);
  CloseHandle(file);
  return ok;
}

bool write_file(const std::string& path, const std::string& bytes) {
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

bool copy_file(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

std::string make_cd(const std::string& folder, std::initializer_list<const char*> stand_in_names) {
  std::string cd = join_path(folder, "CD");
  if (!make_dir(cd)) return std::string();
  if (!copy_file(join_path(program_dir(), "startup.exe"), join_path(cd, "startup.exe"))) return std::string();
  for (const char* name : stand_in_names) {
    if (!install_stand_in(join_path(cd, name))) return std::string();
  }
  return cd;
}

bool install_stand_in(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  if (slash != std::string::npos && !make_dir(path.substr(0, slash))) return false;
  return copy_file(join_path(program_dir(), "recorder.exe"), path);
}

// ---- registry ------------------------------------------------------------------------

bool set_registry_raw(const char* key, const char* value_name, DWORD type, const void* data, DWORD size) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  LONG result = RegSetValueExA(handle, value_name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

namespace {

bool set_registry_text(const char* key, const char* value_name, const std::string& text) {
  return set_registry_raw(key, value_name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

// True also when the key did not exist.
bool delete_registry_key(const char* key) {
  LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

}  // namespace

bool set_app_path(const std::string& install_dir) {
  return set_registry_text(app_paths_key, "Path", install_dir);
}
bool delete_app_path() {
  return delete_registry_key(app_paths_key);
}
bool set_uninstall_string(const std::string& command_line) {
  return set_registry_text(uninstall_key, "UninstallString", command_line);
}
bool delete_uninstall_string() {
  return delete_registry_key(uninstall_key);
}

// ---- the menu process ---------------------------------------------------------------

namespace {

struct window_search {
  DWORD process_id;  // 0: any process
  const char* class_name;
  const char* title;
  std::vector<HWND> found;
};

BOOL CALLBACK collect_window(HWND window, LPARAM parameter) {
  window_search* search = reinterpret_cast<window_search*>(parameter);
  if (search->process_id != 0) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->process_id) return TRUE;
  }
  char text[256] = {};
  GetClassNameA(window, text, sizeof text);
  if (std::strcmp(text, search->class_name) != 0) return TRUE;
  if (search->title != nullptr) {
    text[0] = '\0';
    GetWindowTextA(window, text, sizeof text);
    if (std::strcmp(text, search->title) != 0) return TRUE;
  }
  search->found.push_back(window);
  return TRUE;
}

std::vector<HWND> top_level_windows(DWORD process_id, const char* class_name, const char* title) {
  window_search search{process_id, class_name, title, {}};
  EnumWindows(collect_window, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND process_menu_window(DWORD process_id) {
  std::vector<HWND> found = top_level_windows(process_id, menu_class_name, menu_class_name);
  return found.empty() ? nullptr : found.front();
}

bool all_buttons_exist(HWND window) {
  static const int ids[] = {8009, 8002, 8008, 8001, 8004, 8006, 8010, 8005};
  for (int id : ids) {
    if (GetDlgItem(window, id) == nullptr) return false;
  }
  return true;
}

}  // namespace

static menu_process start_menu(const std::string& exe_path, const std::string& current_dir, int timeout_ms) {
  menu_process menu{};
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string command_line = "\"" + exe_path + "\"";
  std::vector<char> writable(command_line.begin(), command_line.end());
  writable.push_back('\0');
  if (!CreateProcessA(exe_path.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      current_dir.empty() ? nullptr : current_dir.c_str(), &startup, &menu.info)) {
    menu.info = PROCESS_INFORMATION{};
    return menu;
  }
  DWORD process_id = menu.info.dwProcessId;
  HWND window = nullptr;
  wait_until(
      [&] {
        if (!menu_running(menu)) return true;
        window = process_menu_window(process_id);
        return window != nullptr && IsWindowVisible(window) && all_buttons_exist(window);
      },
      timeout_ms);
  if (window == nullptr || !menu_running(menu)) return menu;
  WaitForInputIdle(menu.info.hProcess, static_cast<DWORD>(timeout_ms));
  menu.window = window;
  // The enable rules are applied by the first paint.
  wait_menu_idle(menu, timeout_ms);
  return menu;
}

bool menu_running(const menu_process& menu) {
  return menu.info.hProcess != nullptr && WaitForSingleObject(menu.info.hProcess, 0) == WAIT_TIMEOUT;
}

bool wait_for_exit(const menu_process& menu, int timeout_ms, DWORD* exit_code) {
  if (menu.info.hProcess == nullptr) return false;
  if (WaitForSingleObject(menu.info.hProcess, static_cast<DWORD>(timeout_ms)) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  GetExitCodeProcess(menu.info.hProcess, &code);
  if (exit_code != nullptr) *exit_code = code;
  return true;
}

void end_menu(menu_process* menu) {
  if (menu->info.hProcess != nullptr) {
    if (menu_running(*menu)) {
      TerminateProcess(menu->info.hProcess, 1);
      WaitForSingleObject(menu->info.hProcess, 5000);
    }
    // Wine removes a killed process's windows a moment after the process has ended; the
    // next menu would take a window still listed for a running menu and refuse to start.
    DWORD process_id = menu->info.dwProcessId;
    wait_until([&] { return process_menu_window(process_id) == nullptr; }, 5000);
    CloseHandle(menu->info.hProcess);
  }
  if (menu->info.hThread != nullptr) CloseHandle(menu->info.hThread);
  menu->info = PROCESS_INFORMATION{};
  menu->window = nullptr;
}

std::vector<HWND> menu_windows() {
  return top_level_windows(0, menu_class_name, menu_class_name);
}

HWND menu_button(const menu_process& menu, int control_id) {
  return menu.window == nullptr ? nullptr : GetDlgItem(menu.window, control_id);
}

void click(const menu_process& menu, int control_id) {
  post_notification(menu, control_id, BN_CLICKED);
}

void post_notification(const menu_process& menu, int control_id, int notification) {
  PostMessageA(menu.window, WM_COMMAND, MAKEWPARAM(control_id, notification),
               reinterpret_cast<LPARAM>(menu_button(menu, control_id)));
}

bool wait_menu_idle(const menu_process& menu, int timeout_ms) {
  if (!menu_running(menu)) return true;
  // A window is painted only once its queue holds no posted message, so a finished paint
  // after this invalidation means every earlier posted message has been handled (or the
  // handler sits in a modal loop, such as a message box, that paints for it).
  InvalidateRect(menu.window, nullptr, FALSE);
  return wait_until(
      [&] {
        if (!menu_running(menu)) return true;
        RECT update;
        return !GetUpdateRect(menu.window, &update, FALSE);
      },
      timeout_ms);
}

// ---- waiting --------------------------------------------------------------------------

bool wait_closed(HWND window) {
  return wait_until([&] { return !IsWindow(window); });
}

bool wait_until(const std::function<bool()>& condition, int timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (static_cast<int>(GetTickCount() - start) >= timeout_ms) return condition();
    Sleep(20);
  }
}

// ---- the recorder log -----------------------------------------------------------------

namespace {

// The recorder writes a tab, CR, LF or '%' inside a field as %XX.
std::string unescape(const std::string& field) {
  std::string text;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '%' && i + 2 < field.size() && std::isxdigit(static_cast<unsigned char>(field[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(field[i + 2]))) {
      text.push_back(static_cast<char>(std::strtoul(field.substr(i + 1, 2).c_str(), nullptr, 16)));
      i += 2;
    } else {
      text.push_back(field[i]);
    }
  }
  return text;
}

}  // namespace

std::vector<recorder_record> read_recorder_log(const std::string& log_path) {
  std::vector<recorder_record> records;
  std::string bytes;
  if (!read_file(log_path, &bytes)) return records;
  size_t start = 0;
  for (;;) {
    size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) break;  // a line still being written is not a record yet
    std::string line = bytes.substr(start, end - start);
    start = end + 2;
    std::vector<std::string> fields;
    size_t field_start = 0;
    for (;;) {
      size_t tab = line.find('\t', field_start);
      fields.push_back(unescape(
          line.substr(field_start, tab == std::string::npos ? std::string::npos : tab - field_start)));
      if (tab == std::string::npos) break;
      field_start = tab + 1;
    }
    fields.resize(4);
    records.push_back(recorder_record{fields[0], fields[1], fields[2], fields[3]});
  }
  return records;
}

bool wait_for_records(const std::string& log_path, size_t count, int timeout_ms) {
  return wait_until([&] { return read_recorder_log(log_path).size() >= count; }, timeout_ms);
}

// ---- message boxes and dialogs ----------------------------------------------------------

HWND find_dialog(DWORD process_id, const char* caption) {
  std::vector<HWND> found = top_level_windows(process_id, "#32770", caption);
  return found.empty() ? nullptr : found.front();
}

HWND wait_for_dialog(DWORD process_id, const char* caption, int timeout_ms) {
  HWND dialog = nullptr;
  wait_until([&] { return (dialog = find_dialog(process_id, caption)) != nullptr; }, timeout_ms);
  return dialog;
}

std::string window_text(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string message_box_text(HWND box) {
  return window_text(GetDlgItem(box, 0xFFFF));
}

HICON message_box_icon(HWND box) {
  // The icon's static control is 0x14 on Windows and stc1 (0x440) in Wine.
  for (int id : {0x14, 0x440}) {
    HWND icon = GetDlgItem(box, id);
    if (icon != nullptr && IsWindowVisible(icon)) {
      return reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0));
    }
  }
  return nullptr;
}

void press_ok(HWND box) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}
void press_cancel(HWND box) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

std::vector<std::string> combo_items(HWND combo) {
  std::vector<std::string> items;
  LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0) length = 0;
    std::vector<wchar_t> wide(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide.data()));
    int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? static_cast<size_t>(size) : 1, '\0');
    if (size > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, &text[0], size, nullptr, nullptr);
    text.resize(std::strlen(text.c_str()));
    items.push_back(text);
  }
  return items;
}

int combo_selection(HWND combo) {
  return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
}

int check_state(HWND button) {
  return static_cast<int>(SendMessageW(button, BM_GETCHECK, 0, 0));
}

// ---- fixture --------------------------------------------------------------------------

void e2e_test::SetUp() {
  // A menu left by an earlier test of this run would make every start here a refusal.
  for (HWND leftover : menu_windows()) {
    DWORD process_id = 0;
    GetWindowThreadProcessId(leftover, &process_id);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process_id);
    if (process != nullptr) {
      TerminateProcess(process, 1);
      WaitForSingleObject(process, 5000);
      CloseHandle(process);
    }
  }
  wait_until([] { return menu_windows().empty(); }, 5000);
  scratch_dir = make_scratch_dir();
  ASSERT_FALSE(scratch_dir.empty());
  cd_dir = make_cd(scratch_dir, {});
  ASSERT_FALSE(cd_dir.empty());
  log_path = join_path(scratch_dir, "recorder.log");
  SetEnvironmentVariableA("KORV_RECORDER_LOG", log_path.c_str());
  SetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", nullptr);
  ASSERT_TRUE(delete_app_path());
  ASSERT_TRUE(delete_uninstall_string());
}

void e2e_test::TearDown() {
  for (menu_process& menu : menus) end_menu(&menu);
  menus.clear();
  delete_app_path();
  delete_uninstall_string();
  if (!scratch_dir.empty()) remove_tree(scratch_dir);
}

menu_process& e2e_test::start(const std::string& exe_path, const std::string& current_dir, int timeout_ms) {
  menus.push_back(start_menu(exe_path, current_dir, timeout_ms));
  return menus.back();
}

menu_process& e2e_test::start_from_cd(const std::string& current_dir) {
  menu_process& menu = start(join_path(cd_dir, "startup.exe"), current_dir);
  EXPECT_NE(menu.window, nullptr) << "the menu window did not appear";
  return menu;
}

void e2e_test::expect_error_box(const menu_process& menu, const char* text) {
  HWND box = wait_for_dialog(menu.info.dwProcessId, "Korvamund");
  ASSERT_NE(box, nullptr) << "no error box";
  // The box is found by its caption before it has necessarily set its text and icon.
  wait_until([&] { return message_box_text(box) == text && message_box_icon(box) != nullptr; }, 3000);
  EXPECT_EQ(message_box_text(box), text);
  EXPECT_EQ(GetWindow(box, GW_OWNER), menu.window) << "the box is not owned by the menu";
  EXPECT_NE(message_box_icon(box), nullptr) << "the box shows no icon";
  press_ok(box);
  EXPECT_TRUE(wait_closed(box));
}
