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
    "Failed to locate a required file on the CD-ROM. Please make sure the CD is in the correct "
    "drive.";
constexpr const char* installation_error =
    "Failed to locate a required file in your installation. You may need to re-install Korvamund.";

// Time-outs in milliseconds.
constexpr int default_timeout_ms = 10000;
// How long an outcome that leaves the menu open is watched before it counts as "stayed".
constexpr int settle_ms = 800;

// ---- files and folders -------------------------------------------------------------

std::string program_dir();  // folder of the running test program (bin/), no trailing '\'
std::string join_path(const std::string& dir, const std::string& name);
// A fresh folder under %TEMP% whose name contains a blank; "" on failure.
std::string make_scratch_dir();
bool make_dir(const std::string& path);     // creates missing parents too
bool remove_tree(const std::string& path);  // folder and all it holds
bool file_exists(const std::string& path);
bool read_file(const std::string& path, std::string* bytes);
bool write_file(const std::string& path, const std::string& bytes);
bool copy_file(const std::string& from, const std::string& to);
// Copies bin\startup.exe into <folder>\CD and bin\recorder.exe there under each given
// name (e.g. "setup.exe"); returns the CD folder, or "" on failure.
std::string make_cd(const std::string& folder, std::initializer_list<const char*> stand_in_names);
// Copies bin\recorder.exe to path (any folder, e.g. E:\redist\directx\dxsetup.exe).
bool install_stand_in(const std::string& path);

// ---- registry (HKEY_LOCAL_MACHINE\SOFTWARE\MICROSOFT\Windows\CurrentVersion\...) ----

constexpr const char* app_paths_key = "SOFTWARE\\MICROSOFT\\Windows\\CurrentVersion\\App Paths\\korv.exe";
constexpr const char* uninstall_key = "SOFTWARE\\MICROSOFT\\Windows\\CurrentVersion\\Uninstall\\Korvamund";

// Writes exactly size bytes of the given type (no terminator added): hostile values.
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
// Kills the process if still running and closes its handles.
void end_menu(menu_process* menu);

// Top-level menu windows ("Korvamund Startup" class and title) that exist now.
std::vector<HWND> menu_windows();
HWND menu_button(const menu_process& menu, int control_id);

// Posts a click (WM_COMMAND, BN_CLICKED, the button's HWND as lParam), as a real click
// arrives; a sent message would let Wine hide a crash in the window procedure.
void click(const menu_process& menu, int control_id);
// Posts WM_COMMAND with another notification code (e.g. BN_SETFOCUS = 6).
void post_notification(const menu_process& menu, int control_id, int notification);
// Waits until the menu has handled everything posted so far (it repainted after an
// invalidation, so its queue was empty) or has ended; false on time-out.
bool wait_menu_idle(const menu_process& menu, int timeout_ms = default_timeout_ms);

// ---- waiting --------------------------------------------------------------------------

// Polls condition every 20 ms until it holds (true) or timeout_ms passes (false).
bool wait_until(const std::function<bool()>& condition, int timeout_ms = default_timeout_ms);
bool wait_closed(HWND window);  // until the window is gone

// ---- the recorder log -----------------------------------------------------------------

// One start of the recorder stand-in.
struct recorder_record {
  std::string name;          // its exe file name, e.g. "setup.exe"
  std::string command_line;  // GetCommandLineA, as received
  std::string current_dir;   // its current directory
  std::string module_path;   // full path of the exe that ran
};
std::vector<recorder_record> read_recorder_log(const std::string& log_path);
bool wait_for_records(const std::string& log_path, size_t count, int timeout_ms = default_timeout_ms);

// ---- message boxes and dialogs (top-level "#32770" windows) ---------------------------

// A dialog of the given process with this caption (any caption when null); null when
// there is none. It can be found before it has filled in its controls: wait for the text
// or state you mean to read rather than reading it once.
HWND find_dialog(DWORD process_id, const char* caption);
HWND wait_for_dialog(DWORD process_id, const char* caption, int timeout_ms = default_timeout_ms);
std::string message_box_text(HWND box);  // the text of its static control (id 0xFFFF)
HICON message_box_icon(HWND box);        // the icon it shows, null when none
void press_ok(HWND box);                 // posts WM_COMMAND IDOK
void press_cancel(HWND box);             // posts WM_COMMAND IDCANCEL
std::string window_text(HWND window);

// Combo box items, read with the wide CB_GETLBTEXT (the narrow one garbles across
// processes) and converted to the ANSI code page.
std::vector<std::string> combo_items(HWND combo);
int combo_selection(HWND combo);  // CB_GETCURSEL
int check_state(HWND button);     // BM_GETCHECK: BST_UNCHECKED / BST_CHECKED

// ---- fixture --------------------------------------------------------------------------

// Per test: a scratch folder (with a blank in its name) holding the menu in its CD
// subfolder, KORV_RECORDER_LOG pointing to <scratch>\recorder.log, KORV_RECORDER_MDRIVERS
// cleared, no App Paths or Uninstall keys. Afterwards: every menu started through start()
// is ended, keys and folder removed.
class e2e_test : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts exe_path in current_dir ("" = the test's own) with the test's environment, and
  // waits for the menu window with its eight buttons and its first paint; window stays
  // null if none came (e.g. the single-instance refusal). Ended by TearDown or end_menu.
  menu_process& start(const std::string& exe_path, const std::string& current_dir,
                      int timeout_ms = default_timeout_ms);
  // start() of cd_dir's menu; a missing window fails the test.
  menu_process& start_from_cd(const std::string& current_dir);
  // Waits for the menu's error box, checks its text, owner and icon, and presses OK.
  void expect_error_box(const menu_process& menu, const char* text);

  std::string scratch_dir;
  std::string cd_dir;  // <scratch>\CD with startup.exe
  std::string log_path;
  std::deque<menu_process> menus;  // a deque keeps the references start() returns valid
};
