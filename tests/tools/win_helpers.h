// Helpers for the tests that start the demo programs under Wine.
#pragma once

#include <windows.h>

#include <string>

// The build's bin/, where this test program and the demo programs are.
std::string bin_dir();

// start_process, then finish_process.
int run_and_wait(const std::string& command_line, DWORD timeout_ms = 30000);

// Starts a command line; hProcess is null when it could not be started.
PROCESS_INFORMATION start_process(std::string command_line);
// Waits for the process to end (ending it after the time), closes its handles and returns
// its exit code, or -1.
int finish_process(PROCESS_INFORMATION* process, DWORD timeout_ms = 10000);

// A visible top-level window with that title whose message-box text (item 0xffff)
// contains the words, waited for; null after the time.
HWND wait_window(const char* title, const char* words = "", DWORD timeout_ms = 20000);
std::string item_text(HWND window, int id);
// A click as the user makes it: posted, never sent.
void post_click(HWND window, int id);

// A new, empty folder under %TEMP% whose name contains a blank.
std::string fresh_temp_dir(const std::string& name);

void remove_tree(const std::string& path);
bool file_exists(const std::string& path);
bool dir_exists(const std::string& path);
std::string read_file(const std::string& path);
bool write_file(const std::string& path, const std::string& data);

// Names in a folder matching the pattern, other than "." and "..".
int entry_count(const std::string& dir, const char* pattern = "*");

// A REG_SZ value under HKEY_LOCAL_MACHINE, or "<none>".
std::string hklm_string(const char* subkey, const char* name);
bool hklm_key_exists(const char* subkey);

// Polls until the condition holds or the time is up.
template <typename Condition>
bool eventually(Condition condition, DWORD timeout_ms = 15000) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeout_ms) return false;
    Sleep(50);
  }
  return true;
}
