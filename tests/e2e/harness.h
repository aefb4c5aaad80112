// End-to-end harness: starts startup.exe under Wine, drives it as a player would and watches
// what it starts through the recorder stand-in (tools/recorder), which logs its name,
// command line, current directory and path, and as mprofile.exe leaves a prepared result.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "scratch_windows.h"  // folders and files byte for byte; windows of other programs
#include "wine_cd_drive.h"

constexpr const char* menu_class_name = "Korvamund Startup";  // also the menu's title
constexpr const char* game_class_name = "Korvamund";          // also the game's title
constexpr const char* cdrom_error =
    "Failed to locate a required file on the CD-ROM. Please make sure the CD is in the correct drive.";
constexpr const char* installation_error =
    "Failed to locate a required file in your installation. You may need to re-install Korvamund.";
constexpr int default_timeout_ms = 90000;  // for any one awaited event on a loaded 2-core machine

std::string program_dir();  // bin\, where the tests, startup.exe and the recorder are
std::string join_path(const std::string& dir, const std::string& name);
bool install_stand_in(const std::string& path);  // the recorder copied to path

constexpr const char* app_paths_key = "SOFTWARE\\MICROSOFT\\Windows\\CurrentVersion\\App Paths\\korv.exe";
constexpr const char* uninstall_key = "SOFTWARE\\MICROSOFT\\Windows\\CurrentVersion\\Uninstall\\Korvamund";
// A value under HKEY_LOCAL_MACHINE; delete_key also when it does not exist.
bool set_registry_raw(const char* key, const char* value_name, DWORD type, const void* data, DWORD size);
bool set_app_path(const std::string& install_dir);  // App Paths "Path", REG_SZ
bool delete_key(const char* key);

struct menu_process {
  PROCESS_INFORMATION info;  // zero when the start failed
  HWND window;               // null when none appeared
};
bool wait_for_exit(const menu_process& menu, int timeout_ms, DWORD* exit_code);
void end_menu(menu_process* menu);  // killed if still running, handles closed
std::vector<HWND> menu_windows();   // every menu window that exists now
// Clicks are posted as real ones arrive: Wine hides a crash in a window procedure entered
// by a message sent from another thread.
void click(const menu_process& menu, int control_id, int notification = BN_CLICKED);
// True once the window's thread has handled all that was posted to it before the call and
// the window still exists: a window paints only when no posted message waits, and a thread
// that quit never paints again.
bool wait_idle(HWND window);
inline bool wait_until(const std::function<bool()>& condition) {
  return wait_until(condition, default_timeout_ms);
}
bool wait_closed(HWND window);
// The menu thread's focus window, and a key posted to it, down and up, as keys arrive.
HWND focus_of(const menu_process& menu);
void press_key(const menu_process& menu, WPARAM key);

struct recorder_record {
  std::string name, command_line, current_dir, module_path, show_command;
};
std::vector<recorder_record> read_recorder_log(const std::string& log_path);
bool wait_for_records(const std::string& log_path, size_t count);

// A dialog of the process (any caption if null) once shown, that is once WM_INITDIALOG has
// filled it; null if none came.
HWND wait_for_dialog(DWORD process_id, const char* caption, int timeout_ms = default_timeout_ms);
void press(HWND dialog, int button);  // posts the button's command, IDOK or IDCANCEL
LRESULT send(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);

// Per test: a scratch folder with a blank in its name, the menu in its CD subfolder, the
// recorder logging to <scratch>\recorder.log, no App Paths or Uninstall keys. Afterwards
// every menu started is ended and the keys and the folder are removed.
class e2e_test : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts the menu and waits for its window and first paint; no window on a refusal.
  menu_process& start(const std::string& current_dir, const std::string& exe = "");
  void expect_error_box(const menu_process& menu, const char* text);  // checks it, presses OK
  void expect_stays_open(const menu_process& menu);                   // idle, running, no dialog open
  void expect_closes(const menu_process& menu);                       // exit code 0
  void prepare_detection(const std::string& mdrivers);                // what mprofile.exe will leave
  // Makes the folder a CD-ROM drive, on a free letter, until the test ends; its root ("X:")
  // without the separator, or "" when none could be made. Called again, it changes the disc;
  // with "", the drive is gone.
  std::string mount_disc(const std::string& folder);

  std::string scratch_dir, cd_dir, log_path;
  std::deque<menu_process> menus;  // a deque keeps the references start() returns valid
  char disc_letter = 0;
};
