#include "win_helpers.h"

#include <cstdio>
#include <vector>

std::string bin_dir() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string text(path, length);
  return text.substr(0, text.find_last_of('\\'));
}

int run_and_wait(const std::string& command_line, DWORD timeout_ms) {
  started_process process = start_process(command_line);
  return finish_process(&process, timeout_ms);
}

started_process start_process(const std::string& command_line, const std::string& current_dir) {
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  started_process result = {};
  result.ok = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             current_dir.empty() ? nullptr : current_dir.c_str(), &startup, &result.info) != 0;
  return result;
}

int finish_process(started_process* process, DWORD timeout_ms) {
  if (!process->ok) return -1;
  int result = -1;
  if (WaitForSingleObject(process->info.hProcess, timeout_ms) == WAIT_OBJECT_0) {
    DWORD code = 0;
    if (GetExitCodeProcess(process->info.hProcess, &code)) result = static_cast<int>(code);
  } else {
    TerminateProcess(process->info.hProcess, 99);
  }
  CloseHandle(process->info.hThread);
  CloseHandle(process->info.hProcess);
  process->ok = false;
  return result;
}

HWND wait_window(const char* title, DWORD timeout_ms) {
  HWND window = nullptr;
  eventually([&] { return (window = FindWindowA(nullptr, title)) != nullptr && IsWindowVisible(window); }, timeout_ms);
  return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

std::string item_text(HWND window, int id) {
  char text[512] = "";
  HWND item = GetDlgItem(window, id);
  if (item == nullptr) return "<no item>";
  SendMessageA(item, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

void post_click(HWND window, int id) {
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

std::string fresh_temp_dir(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  std::string dir = std::string(temp) + "korv demo " + name + " " + std::to_string(GetCurrentProcessId());
  remove_tree(dir);
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

void remove_tree(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string child = path + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        remove_tree(child);
      } else {
        SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(child.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(path.c_str());
}

bool file_exists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool dir_exists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string read_file(const std::string& path) {
  std::string data;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return "<unreadable>";
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) data.append(buffer, got);
  std::fclose(file);
  return data;
}

bool write_file(const std::string& path, const std::string& data) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), file) == data.size();
  return std::fclose(file) == 0 && ok;
}

int entry_count(const std::string& dir, const char* pattern) {
  int count = 0;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\" + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") ++count;
  } while (FindNextFileA(search, &found));
  FindClose(search);
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
