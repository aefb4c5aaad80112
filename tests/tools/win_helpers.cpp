#include "win_helpers.h"

#include <fstream>
#include <iterator>

std::string bin_dir() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string text(path, length);
  return text.substr(0, text.find_last_of('\\'));
}

int run_and_wait(const std::string& command_line, DWORD timeout_ms) {
  PROCESS_INFORMATION process = start_process(command_line);
  return finish_process(&process, timeout_ms);
}

PROCESS_INFORMATION start_process(std::string command_line) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  CreateProcessA(nullptr, &command_line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
  return process;
}

int finish_process(PROCESS_INFORMATION* process, DWORD timeout_ms) {
  if (process->hProcess == nullptr) return -1;
  DWORD code = 0;
  bool ended = WaitForSingleObject(process->hProcess, timeout_ms) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(process->hProcess, 99);
  bool known = ended && GetExitCodeProcess(process->hProcess, &code);
  CloseHandle(process->hThread);
  CloseHandle(process->hProcess);
  process->hProcess = nullptr;
  return known ? static_cast<int>(code) : -1;
}

HWND wait_window(const char* title, const char* words, DWORD timeout_ms) {
  HWND window = nullptr;
  bool found = eventually(
      [&] {
        window = FindWindowA(nullptr, title);
        return window != nullptr && IsWindowVisible(window) &&
               item_text(window, 0xffff).find(words) != std::string::npos;
      },
      timeout_ms);
  return found ? window : nullptr;
}

std::string item_text(HWND window, int id) {
  char text[512] = "";
  HWND item = GetDlgItem(window, id);
  if (item == nullptr) return "<no item>";
  SendMessageA(item, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

void post_click(HWND window, int id) {
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

std::string fresh_temp_dir(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  std::string dir = std::string(temp) + "korv demo " + name + " " + std::to_string(GetCurrentProcessId());
  remove_tree(dir);
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

namespace {

// Calls visit(path, is_directory) for each name in dir matching the pattern.
template <typename Visit>
void for_each_entry(const std::string& dir, const char* pattern, Visit visit) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\" + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..")
      visit(dir + "\\" + name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

bool exists_as(const std::string& path, bool directory) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == directory;
}

}  // namespace

void remove_tree(const std::string& path) {
  for_each_entry(path, "*", [](const std::string& child, bool directory) {
    if (directory) {
      remove_tree(child);
    } else {
      SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(child.c_str());
    }
  });
  RemoveDirectoryA(path.c_str());
}

bool file_exists(const std::string& path) {
  return exists_as(path, false);
}
bool dir_exists(const std::string& path) {
  return exists_as(path, true);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<unreadable>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool write_file(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out << data;
  out.close();
  return !out.fail();
}

int entry_count(const std::string& dir, const char* pattern) {
  int count = 0;
  for_each_entry(dir, pattern, [&](const std::string&, bool) { ++count; });
  return count;
}

std::string hklm_string(const char* subkey, const char* name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "<none>";
  char value[1024];
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) return "<none>";
  value[size] = '\0';
  return value;
}

bool hklm_key_exists(const char* subkey) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}
