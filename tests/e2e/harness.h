// End-to-end test harness: starts startup.exe under Wine, drives it as a player would and
// watches what it starts through the recorder stand-in (tools/recorder).
// The fixture removes its registry keys, its scratch folder and any menu it started.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// Window class and title of the menu, and of the game's own window.
constexpr const char* menu_class_name = "Korvamund Startup";
constexpr const char* game_class_name = "Korvamund";

// The texts of the menu's error boxes.
constexpr const char* cdrom_error =
    "Failed to locate a required file on the CD-ROM. Please make sure the CD is in the correct drive.";
constexpr const char* installation_error =
    "Failed to locate a required file in your installation. You may need to re-install Korvamund.";

// The ceiling for any one awaited event, in milliseconds: a test waits for what it expects
// and only gives up after this long, which leaves room for a loaded 2-core machine.
constexpr int default_timeout_ms = 90000;

// ---- files and folders (paths without a trailing '\') ----------------------------------

std::string program_dir();  // folder of the running test program (bin/)
std::string join_path(const std::string& dir, const std::string& name);
std::string make_scratch_dir();             // a fresh folder under %TEMP% whose name has a blank
bool make_dir(const std::string& path);     // with missing parents
bool remove_tree(const std::string& path);  // also read-only files
bool file_exists(const std::string& path);
bool read_file(const std::string& path, std::string* bytes);
std::string file_text(const std::string& path);  // the bytes, or "<missing>"
bool write_file(const std::string& path, const std::string& bytes);
bool copy_file(const std::string& from, const std::string& to);
// Copies bin\startup.exe into <folder>\CD and bin\recorder.exe there under each given name;
// returns the CD folder, or "" on failure.
std::string make_cd(const std::string& folder, std::initializer_list<const char*> stand_in_names);
// Copies bin\recorder.exe to path, making its folder.
bool install_stand_in(const std::string& path);

// ---- registry (HKEY_LOCAL_MACHINE\SOFTWARE\MICROSOFT\Windows\CurrentVersion\...) ----

constexpr const char* app_paths_key = "SOFTWARE\\MICROSOFT\\Windows\\CurrentVersion\\App Paths\\korv.exe";
constexpr const char* uninstall_key = "SOFTWARE\\MICROSOFT\\Windows\\CurrentVersion\\Uninstall\\Korvamund";

// Stores exactly size bytes of the given type (no terminator added).
bool set_registry_raw(const char* key, const char* value_name, DWORD type, const void* data, DWORD size);
bool set_app_path(const std::string& install_dir);  // App Paths\korv.exe "Path"
bool delete_app_path();
bool set_uninstall_string(const std::string& command_line);  // Uninstall\Korvamund "UninstallString"
bool delete_uninstall_string();

// ---- the menu process ---------------------------------------------------------------

struct menu_process {
  PROCESS_INFORMATION info;  // zero when the start failed
  HWND window;               // the menu window, or null when none appeared
};

bool menu_running(const menu_process& menu);
// Waits for the process to end; true and *exit_code when it did within the time.
bool wait_for_exit(const menu_process& menu, int timeout_ms, DWORD* exit_code);
void end_menu(menu_process* menu);  // kills it if still running and closes its handles
std::vector<HWND> menu_windows();   // every "Korvamund Startup" window that exists now
HWND menu_button(const menu_process& menu, int control_id);

// Posts WM_COMMAND as a real click arrives (a sent message would let Wine hide a crash in
// the window procedure); post_notification sends another code, e.g. BN_SETFOCUS.
void click(const menu_process& menu, int control_id);
void post_notification(const menu_process& menu, int control_id, int notification);
// True once the window's thread has handled every message posted to it before the call and
// the window still exists: a window paints only when no posted message is waiting, and a
// thread that quit never paints again.
bool wait_idle(HWND window);
bool wait_menu_idle(const menu_process& menu, int timeout_ms = default_timeout_ms);

// ---- waiting --------------------------------------------------------------------------

// Polls the condition until it holds (true) or timeout_ms has passed (false).
bool wait_until(const std::function<bool()>& condition, int timeout_ms = default_timeout_ms);
bool wait_closed(HWND window);

// ---- the recorder log -----------------------------------------------------------------

struct recorder_record {
  std::string name;          // its exe file name, e.g. "setup.exe"
  std::string command_line;  // as received
  std::string current_dir;
  std::string module_path;  // full path of the exe that ran
};
std::vector<recorder_record> read_recorder_log(const std::string& log_path);
bool wait_for_records(const std::string& log_path, size_t count, int timeout_ms = default_timeout_ms);

// ---- message boxes and dialogs (top-level "#32770" windows) ---------------------------

HWND find_dialog(DWORD process_id, const char* caption);  // any caption when null
// Waits until the dialog exists and is shown, that is once WM_INITDIALOG has filled it.
HWND wait_for_dialog(DWORD process_id, const char* caption, int timeout_ms = default_timeout_ms);
std::string message_box_text(HWND box);
void press_ok(HWND box);  // posts the button's command
void press_cancel(HWND box);
std::string window_text(HWND window);
// Combo box items through the wide CB_GETLBTEXT (the narrow one garbles across processes).
std::vector<std::string> combo_items(HWND combo);
int combo_selection(HWND combo);
int check_state(HWND button);

// ---- fixture --------------------------------------------------------------------------

// Per test: a scratch folder (with a blank in its name) holding the menu in its CD
// subfolder, KORV_RECORDER_LOG pointing to <scratch>\recorder.log, KORV_RECORDER_MDRIVERS
// cleared, no App Paths or Uninstall keys. Afterwards every menu started is ended and the
// keys and the folder are removed.
class e2e_test : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts exe_path in current_dir and waits for its window with the eight buttons and for
  // its first paint; window stays null if none came (the single-instance refusal).
  menu_process& start(const std::string& exe_path, const std::string& current_dir,
                      int timeout_ms = default_timeout_ms);
  menu_process& start_from_cd(const std::string& current_dir);  // no window fails the test
  // Waits for the menu's error box, checks its text, owner and icon, and presses OK.
  void expect_error_box(const menu_process& menu, const char* text);
  // The menu handled all that was posted, runs on and shows no dialog.
  void expect_stays_open(const menu_process& menu);
  void expect_closes(const menu_process& menu);  // ends with exit code 0
  // The detection stand-in (mprofile.exe) will leave these bytes as its result.
  void prepare_detection(const std::string& mdrivers);

  std::string scratch_dir;
  std::string cd_dir;  // <scratch>\CD with startup.exe
  std::string log_path;
  std::deque<menu_process> menus;  // a deque keeps the references start() returns valid
};
