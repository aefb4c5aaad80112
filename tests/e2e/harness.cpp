#include "harness.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

std::string program_dir() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path().string();
}

std::string join_path(const std::string& dir, const std::string& name) {
  return dir.empty() || dir.back() == '\\' ? dir + name : dir + "\\" + name;
}

bool make_dir(const std::string& path) {
  std::error_code error;
  fs::create_directories(path, error);
  return fs::is_directory(path, error);
}

bool remove_tree(const std::string& path) {
  std::error_code error;
  if (fs::is_directory(path, error))  // files a program run as root made under Wine are read-only
    for (const auto& entry : fs::recursive_directory_iterator(path, error))
      SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  fs::remove_all(path, error);
  return !fs::exists(path, error);
}

bool file_exists(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

bool read_file(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return in.good() || in.eof();
}

std::string file_text(const std::string& path) {
  std::string bytes;
  return file_exists(path) && read_file(path, &bytes) ? bytes : "<missing>";
}

bool write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  return static_cast<bool>(out << bytes) && (out.close(), !out.fail());
}

bool copy_file(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

std::string make_cd(const std::string& folder, std::initializer_list<const char*> stand_in_names) {
  const std::string cd = join_path(folder, "CD");
  bool made =
      make_dir(cd) && copy_file(join_path(program_dir(), "startup.exe"), join_path(cd, "startup.exe"));
  for (const char* name : stand_in_names) made = made && install_stand_in(join_path(cd, name));
  return made ? cd : std::string();
}

bool install_stand_in(const std::string& path) {
  return make_dir(fs::path(path).parent_path().string()) &&
         copy_file(join_path(program_dir(), "recorder.exe"), path);
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

bool set_uninstall_string(const std::string& command) {
  return set_registry_raw(uninstall_key, "UninstallString", REG_SZ, command.c_str(),
                          DWORD(command.size() + 1));
}

static bool delete_key(const char* key) {
  const LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool delete_app_path() {
  return delete_key(app_paths_key);
}

bool delete_uninstall_string() {
  return delete_key(uninstall_key);
}

// Top-level windows of a process (0: any) with this class and title (null: any).
static std::vector<HWND> windows_of(DWORD process_id, const char* class_name, const char* title) {
  struct search {
    DWORD process_id;
    const char *class_name, *title;
    std::vector<HWND> found;
  } wanted{process_id, class_name, title, {}};
  EnumWindows(
      [](HWND window, LPARAM parameter) {
        auto* wanted = reinterpret_cast<search*>(parameter);
        DWORD owner = 0;
        char class_name[256] = {};
        GetWindowThreadProcessId(window, &owner);
        GetClassNameA(window, class_name, sizeof class_name);
        if ((!wanted->process_id || owner == wanted->process_id) &&
            !std::strcmp(class_name, wanted->class_name) &&
            (!wanted->title || window_text(window) == wanted->title))
          wanted->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&wanted));
  return wanted.found;
}

std::vector<HWND> menu_windows() {
  return windows_of(0, menu_class_name, menu_class_name);
}

std::string window_text(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

bool menu_running(const menu_process& menu) {
  return menu.info.hProcess && WaitForSingleObject(menu.info.hProcess, 0) == WAIT_TIMEOUT;
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
    wait_until([&] { return windows_of(menu->info.dwProcessId, menu_class_name, nullptr).empty(); });
    CloseHandle(menu->info.hProcess);
    CloseHandle(menu->info.hThread);
  }
  *menu = menu_process{};
}

HWND menu_button(const menu_process& menu, int control_id) {
  return menu.window ? GetDlgItem(menu.window, control_id) : nullptr;
}

void click(const menu_process& menu, int control_id) {
  post_notification(menu, control_id, BN_CLICKED);
}

void post_notification(const menu_process& menu, int control_id, int notification) {
  PostMessageA(menu.window, WM_COMMAND, MAKEWPARAM(control_id, notification),
               LPARAM(menu_button(menu, control_id)));
}

bool wait_idle(HWND window) {
  RECT update;
  InvalidateRect(window, nullptr, FALSE);
  return wait_until([&] { return !IsWindow(window) || !GetUpdateRect(window, &update, FALSE); }) &&
         IsWindow(window);
}

bool wait_menu_idle(const menu_process& menu, int timeout_ms) {
  RECT update;
  InvalidateRect(menu.window, nullptr, FALSE);
  return wait_until([&] { return !menu_running(menu) || !GetUpdateRect(menu.window, &update, FALSE); },
                    timeout_ms);
}

bool wait_until(const std::function<bool()>& condition, int timeout_ms) {
  for (const DWORD start = GetTickCount(); !condition(); Sleep(20))
    if (static_cast<int>(GetTickCount() - start) >= timeout_ms) return condition();
  return true;
}

bool wait_closed(HWND window) {
  return wait_until([&] { return !IsWindow(window); });
}

std::vector<recorder_record> read_recorder_log(const std::string& log_path) {
  std::vector<recorder_record> records;
  std::string bytes;
  read_file(log_path, &bytes);
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
    fields.resize(4);
    records.push_back({fields[0], fields[1], fields[2], fields[3]});
  }
  return records;
}

bool wait_for_records(const std::string& log_path, size_t count, int timeout_ms) {
  return wait_until([&] { return read_recorder_log(log_path).size() >= count; }, timeout_ms);
}

HWND find_dialog(DWORD process_id, const char* caption) {
  const std::vector<HWND> found = windows_of(process_id, "#32770", caption);
  return found.empty() ? nullptr : found.front();
}

HWND wait_for_dialog(DWORD process_id, const char* caption, int timeout_ms) {
  HWND dialog = nullptr;
  wait_until([&] { return (dialog = find_dialog(process_id, caption)) && IsWindowVisible(dialog); },
             timeout_ms);
  return dialog;
}

std::string message_box_text(HWND box) {
  return window_text(GetDlgItem(box, 0xFFFF));
}

void press_ok(HWND box) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void press_cancel(HWND box) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

std::vector<std::string> combo_items(HWND combo) {
  std::vector<std::string> items;
  for (LRESULT i = 0, count = SendMessageW(combo, CB_GETCOUNT, 0, 0); i < count; ++i) {
    wchar_t wide[256] = {};
    char text[512] = {};
    if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < 256) SendMessageW(combo, CB_GETLBTEXT, i, LPARAM(wide));
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
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

void e2e_test::SetUp() {
  for (HWND leftover : menu_windows()) {  // a menu an earlier test left would refuse every start
    menu_process menu{};
    GetWindowThreadProcessId(leftover, &menu.info.dwProcessId);
    menu.info.hProcess = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, menu.info.dwProcessId);
    end_menu(&menu);
  }
  scratch_dir =
      join_path(fs::temp_directory_path().string(), "korv e2e " + std::to_string(GetCurrentProcessId()));
  ASSERT_TRUE(remove_tree(scratch_dir) && make_dir(scratch_dir));
  cd_dir = make_cd(scratch_dir, {});
  log_path = join_path(scratch_dir, "recorder.log");
  SetEnvironmentVariableA("KORV_RECORDER_LOG", log_path.c_str());
  SetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", nullptr);
  ASSERT_TRUE(!cd_dir.empty() && delete_app_path() && delete_uninstall_string());
}

void e2e_test::TearDown() {
  for (menu_process& menu : menus) end_menu(&menu);
  delete_app_path();
  delete_uninstall_string();
  remove_tree(scratch_dir);
}

menu_process& e2e_test::start(const std::string& exe_path, const std::string& current_dir, int timeout_ms) {
  menu_process& menu = menus.emplace_back();
  STARTUPINFOA startup{sizeof startup};
  std::string command_line = "\"" + exe_path + "\"";
  if (!CreateProcessA(exe_path.c_str(), &command_line[0], nullptr, nullptr, FALSE, 0, nullptr,
                      current_dir.empty() ? nullptr : current_dir.c_str(), &startup, &menu.info))
    return menu;
  HWND window = nullptr;
  wait_until(
      [&] {
        const std::vector<HWND> found = windows_of(menu.info.dwProcessId, menu_class_name, menu_class_name);
        window = found.empty() ? nullptr : found.front();
        return !menu_running(menu) || (window && IsWindowVisible(window) && GetDlgItem(window, 8005));
      },
      timeout_ms);
  if (window && menu_running(menu) && wait_idle(window)) menu.window = window;  // painted: rules applied
  return menu;
}

menu_process& e2e_test::start_from_cd(const std::string& current_dir) {
  menu_process& menu = start(join_path(cd_dir, "startup.exe"), current_dir);
  EXPECT_NE(menu.window, nullptr) << "the menu window did not appear";
  return menu;
}

void e2e_test::expect_error_box(const menu_process& menu, const char* text) {
  HWND box = wait_for_dialog(menu.info.dwProcessId, "Korvamund");
  ASSERT_NE(box, nullptr) << "no error box";
  HWND icon = GetDlgItem(box, 0x440) ? GetDlgItem(box, 0x440) : GetDlgItem(box, 0x14);  // Wine's, Windows'
  EXPECT_TRUE(wait_until([&] { return message_box_text(box) == text; })) << message_box_text(box);
  EXPECT_NE(SendMessageW(icon, STM_GETICON, 0, 0), 0) << "the box shows no icon";
  EXPECT_EQ(GetWindow(box, GW_OWNER), menu.window) << "the box is not owned by the menu";
  press_ok(box);
  EXPECT_TRUE(wait_closed(box));
}

void e2e_test::expect_stays_open(const menu_process& menu) {
  EXPECT_TRUE(wait_idle(menu.window)) << "the menu closed";
  EXPECT_EQ(find_dialog(menu.info.dwProcessId, nullptr), nullptr) << "a dialog or box is open";
}

void e2e_test::expect_closes(const menu_process& menu) {
  DWORD exit_code = 1;
  EXPECT_TRUE(wait_for_exit(menu, default_timeout_ms, &exit_code)) << "the menu stayed open";
  EXPECT_EQ(exit_code, 0u);
}

void e2e_test::prepare_detection(const std::string& mdrivers) {
  const std::string prepared = join_path(scratch_dir, "prepared.dat");
  ASSERT_TRUE(write_file(prepared, mdrivers));
  SetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", prepared.c_str());
}
