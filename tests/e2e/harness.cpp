#include "harness.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

std::string program_dir() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path().string();
}

std::string join_path(const std::string& dir, const std::string& name) {
  return dir.empty() || dir.back() == '\\' ? dir + name : dir + "\\" + name;
}

bool install_stand_in(const std::string& path) {
  return make_directory(fs::path(path).parent_path().string()) &&
         CopyFileA(join_path(program_dir(), "recorder.exe").c_str(), path.c_str(), FALSE);
}

bool set_registry_raw(const char* key, const char* value_name, DWORD type, const void* data, DWORD size) {
  HKEY handle = nullptr;
  LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr);
  if (result == ERROR_SUCCESS) result = RegSetValueExA(handle, value_name, 0, type, (const BYTE*)data, size);
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

bool set_app_path(const std::string& install_dir) {
  return set_registry_raw(app_paths_key, "Path", REG_SZ, install_dir.c_str(), DWORD(install_dir.size() + 1));
}

bool delete_key(const char* key) {
  const LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

std::vector<HWND> menu_windows() {
  return top_level_windows(0, menu_class_name, menu_class_name);
}

LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return SendMessageW(window, message, wparam, lparam);
}

bool wait_for_exit(const menu_process& menu, int timeout_ms, DWORD* exit_code) {
  const bool ended =
      menu.info.hProcess && WaitForSingleObject(menu.info.hProcess, timeout_ms) == WAIT_OBJECT_0;
  if (ended && exit_code) GetExitCodeProcess(menu.info.hProcess, exit_code);
  return ended;
}

void end_menu(menu_process* menu) {
  if (menu->info.hProcess) {
    TerminateProcess(menu->info.hProcess, 1);
    WaitForSingleObject(menu->info.hProcess, default_timeout_ms);
    // Wine removes a killed process's windows a moment after it ended; until then a new menu
    // would take them for a running menu and refuse to start.
    wait_until([&] { return top_level_windows(menu->info.dwProcessId, menu_class_name, nullptr).empty(); });
    CloseHandle(menu->info.hProcess);
    CloseHandle(menu->info.hThread);
  }
  *menu = menu_process{};
}

void click(const menu_process& menu, int control_id, int notification) {
  PostMessageA(menu.window, WM_COMMAND, MAKEWPARAM(control_id, notification),
               LPARAM(GetDlgItem(menu.window, control_id)));
}

bool wait_idle(HWND window) {
  RECT update;
  InvalidateRect(window, nullptr, FALSE);
  return wait_until([&] { return !IsWindow(window) || !GetUpdateRect(window, &update, FALSE); }) &&
         IsWindow(window);
}

bool wait_closed(HWND window) {
  return wait_until([&] { return !IsWindow(window); });
}

std::vector<recorder_record> read_recorder_log(const std::string& log_path) {
  std::vector<recorder_record> records;
  const std::string bytes = read_bytes(log_path);
  // A record per complete line, tab-separated; '%', tab, CR and LF in a field come as %XX.
  for (size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
    std::vector<std::string> fields(1);
    for (size_t i = start; i < end; ++i) {
      if (bytes[i] == '\t') {
        fields.emplace_back();
      } else if (bytes[i] == '%' && i + 2 < end) {
        fields.back() += static_cast<char>(std::strtoul(bytes.substr(i + 1, 2).c_str(), nullptr, 16));
        i += 2;
      } else {
        fields.back() += bytes[i];
      }
    }
    fields.resize(5);
    records.push_back({fields[0], fields[1], fields[2], fields[3], fields[4]});
  }
  return records;
}

bool wait_for_records(const std::string& log_path, size_t count) {
  return wait_until([&] { return read_recorder_log(log_path).size() >= count; });
}

HWND wait_for_dialog(DWORD process_id, const char* caption, int timeout_ms) {
  HWND dialog = nullptr;
  wait_until(
      [&] {
        const std::vector<HWND> found = top_level_windows(process_id, "#32770", caption);
        return (dialog = found.empty() ? nullptr : found.front()) && IsWindowVisible(dialog);
      },
      timeout_ms);
  return dialog;
}

void press(HWND dialog, int button) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

HWND focus_of(const menu_process& menu) {
  GUITHREADINFO info{sizeof info};
  return GetGUIThreadInfo(menu.info.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

void press_key(const menu_process& menu, WPARAM key) {
  PostMessageA(focus_of(menu), WM_KEYDOWN, key, 1);
  PostMessageA(focus_of(menu), WM_KEYUP, key, 0xC0000001);
}

void e2e_test::SetUp() {
  for (HWND leftover : menu_windows()) {  // a menu an earlier test left would refuse every start
    menu_process menu{};
    GetWindowThreadProcessId(leftover, &menu.info.dwProcessId);
    menu.info.hProcess = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, menu.info.dwProcessId);
    end_menu(&menu);
  }
  scratch_dir =
      join_path(fs::temp_directory_path().string(), "korv e2e " + std::to_string(GetCurrentProcessId()));
  cd_dir = join_path(scratch_dir, "CD");
  log_path = join_path(scratch_dir, "recorder.log");
  SetEnvironmentVariableA("KORV_RECORDER_LOG", log_path.c_str());
  SetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", nullptr);
  ASSERT_TRUE(remove_tree(scratch_dir) && make_directory(cd_dir) && delete_key(app_paths_key) &&
              delete_key(uninstall_key));
  ASSERT_TRUE(CopyFileA(join_path(program_dir(), "startup.exe").c_str(),
                        join_path(cd_dir, "startup.exe").c_str(), 0));
}

void e2e_test::TearDown() {
  for (menu_process& menu : menus) end_menu(&menu);
  if (disc_letter) set_wine_cd_drive(disc_letter, nullptr);
  delete_key(app_paths_key);
  delete_key(uninstall_key);
  remove_tree(scratch_dir);
}

std::string e2e_test::mount_disc(const std::string& folder) {
  // Wine reads a drive's label when the drive is made: a changed disc is mounted again.
  if (disc_letter && (folder.empty() || !set_wine_cd_drive(disc_letter, folder.c_str()))) {
    set_wine_cd_drive(disc_letter, nullptr);
    disc_letter = 0;
  }
  if (folder.empty()) return "";
  for (char letter = 'y'; letter > 'k' && !disc_letter; --letter)
    if (!(GetLogicalDrives() & (1u << (letter - 'a'))) && set_wine_cd_drive(letter, folder.c_str()))
      disc_letter = letter;
  const std::string root = disc_letter ? std::string(1, char(disc_letter - 'a' + 'A')) + ":" : "";
  EXPECT_EQ(GetDriveTypeA((root + "\\").c_str()), UINT(DRIVE_CDROM)) << folder;
  return root;
}

menu_process& e2e_test::start(const std::string& current_dir, const std::string& exe) {
  menu_process& menu = menus.emplace_back();
  const std::string path = exe.empty() ? join_path(cd_dir, "startup.exe") : exe;
  STARTUPINFOA startup{sizeof startup};
  std::string command_line = "\"" + path + "\"";
  if (!CreateProcessA(path.c_str(), &command_line[0], nullptr, nullptr, FALSE, 0, nullptr,
                      current_dir.c_str(), &startup, &menu.info))
    return menu;
  HWND window = nullptr;
  wait_until([&] {
    const std::vector<HWND> found =
        top_level_windows(menu.info.dwProcessId, menu_class_name, menu_class_name);
    window = found.empty() ? nullptr : found.front();
    return WaitForSingleObject(menu.info.hProcess, 0) == WAIT_OBJECT_0 ||
           (window && IsWindowVisible(window) && GetDlgItem(window, 8005));
  });
  if (window && wait_idle(window)) menu.window = window;  // painted: the enable rules applied
  return menu;
}

void e2e_test::expect_error_box(const menu_process& menu, const char* text) {
  HWND box = wait_for_dialog(menu.info.dwProcessId, "Korvamund");
  ASSERT_NE(box, nullptr) << "no error box";
  HWND icon = message_box_icon(box);
  EXPECT_TRUE(wait_until([&] { return window_text(GetDlgItem(box, 0xFFFF)) == text; }))
      << window_text(GetDlgItem(box, 0xFFFF));
  EXPECT_NE(send(icon, STM_GETICON), 0) << "the box shows no icon";
  EXPECT_EQ(GetWindow(box, GW_OWNER), menu.window) << "the box is not owned by the menu";
  press(box, IDOK);
  EXPECT_TRUE(wait_closed(box));
}

void e2e_test::expect_stays_open(const menu_process& menu) {
  EXPECT_TRUE(wait_idle(menu.window)) << "the menu closed";
  EXPECT_TRUE(top_level_windows(menu.info.dwProcessId, "#32770", nullptr).empty())
      << "a dialog or box is open";
}

void e2e_test::expect_closes(const menu_process& menu) {
  DWORD exit_code = 1;
  EXPECT_TRUE(wait_for_exit(menu, default_timeout_ms, &exit_code)) << "the menu stayed open";
  EXPECT_EQ(exit_code, 0u);
}

void e2e_test::prepare_detection(const std::string& mdrivers) {
  const std::string prepared = join_path(scratch_dir, "prepared.dat");
  ASSERT_TRUE(write_bytes(prepared, mdrivers));
  SetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", prepared.c_str());
}
