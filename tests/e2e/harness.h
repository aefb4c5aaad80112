// End-to-end harness: starts startup.exe under Wine, drives it as a player would and watches
// what it starts through the recorder stand-in (tools/recorder), which logs its name,
// command line, current directory and path, and as mprofile.exe leaves a prepared result.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

constexpr const char* menu_class_name = "Korvamund Startup";  // also the menu's title
constexpr const char* game_class_name = "Korvamund";          // also the game's title
constexpr const char* cdrom_error =
    "Failed to locate a required file on the CD-ROM. Please make sure the CD is in the correct drive.";
constexpr const char* installation_error =
    "Failed to locate a required file in your installation. You may need to re-install Korvamund.";
// The ceiling for any one awaited event: room for a loaded 2-core machine.
constexpr int default_timeout_ms = 90000;

// Files and folders; paths without a trailing '\'.
std::string program_dir();  // bin\, where the test programs and startup.exe are
std::string join_path(const std::string& dir, const std::string& name);
bool make_dir(const std::string& path);     // with missing parents
bool remove_tree(const std::string& path);  // read-only files too
bool file_exists(const std::string& path);
bool read_file(const std::string& path, std::string* bytes);
std::string file_text(const std::string& path);  // the bytes, or "<missing>"
bool write_file(const std::string& path, const std::string& bytes);
bool copy_file(const std::string& from, const std::string& to);
// bin\startup.exe in <folder>\CD with the recorder there under each name; the CD folder or "".
std::string make_cd(const std::string& folder, std::initializer_list<const char*> stand_in_names);
bool install_stand_in(const std::string& path);  // the recorder copied to path

// HKEY_LOCAL_MACHINE\SOFTWARE\MICROSOFT\Windows\CurrentVersion\...
constexpr const char* app_paths_key = "SOFTWARE\\MICROSOFT\\Windows\\CurrentVersion\\App Paths\\korv.exe";
constexpr const char* uninstall_key = "SOFTWARE\\MICROSOFT\\Windows\\CurrentVersion\\Uninstall\\Korvamund";
bool set_registry_raw(const char* key, const char* value_name, DWORD type, const void* data, DWORD size);
bool set_app_path(const std::string& install_dir);           // "Path"
bool set_uninstall_string(const std::string& command_line);  // "UninstallString"
bool delete_app_path();
bool delete_uninstall_string();

struct menu_process {
  PROCESS_INFORMATION info;  // zero when the start failed
  HWND window;               // null when none appeared
};
bool menu_running(const menu_process& menu);
bool wait_for_exit(const menu_process& menu, int timeout_ms, DWORD* exit_code);
void end_menu(menu_process* menu);  // killed if still running, handles closed
std::vector<HWND> menu_windows();   // every menu window that exists now
HWND menu_button(const menu_process& menu, int control_id);
// Clicks are posted as real ones arrive: Wine hides a crash in a window procedure entered
// by a message sent from another thread.
void click(const menu_process& menu, int control_id);
void post_notification(const menu_process& menu, int control_id, int notification);
// True once the window's thread has handled all that was posted to it before the call and
// the window still exists: a window paints only when no posted message waits, and a thread
// that quit never paints again.
bool wait_idle(HWND window);
bool wait_menu_idle(const menu_process& menu, int timeout_ms = default_timeout_ms);  // or ended
bool wait_until(const std::function<bool()>& condition, int timeout_ms = default_timeout_ms);
bool wait_closed(HWND window);

struct recorder_record {
  std::string name, command_line, current_dir, module_path;
};
std::vector<recorder_record> read_recorder_log(const std::string& log_path);
bool wait_for_records(const std::string& log_path, size_t count, int timeout_ms = default_timeout_ms);

// Dialogs and message boxes: top-level "#32770" windows of the process (any caption if null).
HWND find_dialog(DWORD process_id, const char* caption);
// The dialog once shown, that is once WM_INITDIALOG has filled it.
HWND wait_for_dialog(DWORD process_id, const char* caption, int timeout_ms = default_timeout_ms);
std::string message_box_text(HWND box);
void press_ok(HWND box);
void press_cancel(HWND box);
std::string window_text(HWND window);
std::vector<std::string> combo_items(HWND combo);  // wide CB_GETLBTEXT: the narrow one garbles
int combo_selection(HWND combo);
int check_state(HWND button);

// Per test: a scratch folder with a blank in its name, the menu in its CD subfolder, the
// recorder logging to <scratch>\recorder.log, no App Paths or Uninstall keys. Afterwards every
// menu started is ended and the keys and the folder are removed.
class e2e_test : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts the menu and waits for its window and first paint; no window on a refusal.
  menu_process& start(const std::string& exe_path, const std::string& current_dir,
                      int timeout_ms = default_timeout_ms);
  menu_process& start_from_cd(const std::string& current_dir);        // no window fails the test
  void expect_error_box(const menu_process& menu, const char* text);  // checks it, presses OK
  void expect_stays_open(const menu_process& menu);                   // idle, running, no dialog open
  void expect_closes(const menu_process& menu);                       // exit code 0
  void prepare_detection(const std::string& mdrivers);                // what mprofile.exe will leave

  std::string scratch_dir, cd_dir, log_path;
  std::deque<menu_process> menus;  // a deque keeps the references start() returns valid
};
