// The game CD in a CD-ROM drive: its installer run silently, and the demo tour through the
// real demo programs, as a player takes it, which leaves the machine as it was.
#include <windows.h>  // before psapi.h

#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>

#include "harness.h"
#include "renderer_probe.h"
#include "renderer_profile.h"

namespace {

const std::string app_paths = app_paths_key, uninstall = uninstall_key;
constexpr int step_timeout_ms = 5 * 60 * 1000;  // a whole installation under Wine on a busy machine

// The exit code of the command line, or -1 when it did not start or end within the time.
long run(std::string command_line) {
  STARTUPINFOA startup{sizeof(STARTUPINFOA)};
  PROCESS_INFORMATION process{};
  DWORD code = DWORD(-1);
  if (!CreateProcessA(nullptr, &command_line[0], nullptr, nullptr, 0, 0, nullptr, nullptr, &startup,
                      &process))
    return -1;
  if (WaitForSingleObject(process.hProcess, step_timeout_ms) == WAIT_OBJECT_0)
    GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return long(code);
}

std::string registry_value(const std::string& key, const char* name) {  // text or number; "<none>"
  union {
    char text[512];
    DWORD number;
  } value;
  DWORD type = 0, size = sizeof value;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_DWORD, &type, &value,
                   &size))
    return "<none>";
  return type == REG_DWORD ? std::to_string(value.number) : std::string(value.text);
}

std::string folder_entries(const std::string& folder) {  // "name|name|"; "<none>" without the folder
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(join_path(folder, "*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return "<none>";
  std::string names;
  do names += entry.cFileName[0] != '.' ? std::string(entry.cFileName) + "|" : "";
  while (FindNextFileA(search, &entry));
  FindClose(search);
  return names;
}

std::string shell_folder(int id) {  // a folder of every user's, CSIDL_COMMON_*
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

HWND wait_for_window(const char* title) {
  HWND found = nullptr;
  wait_until([&] { return (found = visible_window(title)) != nullptr; }, step_timeout_ms);
  return found;
}

HANDLE window_process(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE, FALSE,
                     id);
}

std::string program_of(HWND window) {  // in lower case
  HANDLE process = window_process(window);
  char path[MAX_PATH] = {};
  if (process && !GetModuleFileNameExA(process, nullptr, path, MAX_PATH)) path[0] = '\0';
  if (process) CloseHandle(process);
  return CharLowerA(path);
}

// Waits until the wizard's main button reads text and is enabled (not while working); presses it.
bool wizard_button(HWND wizard, const char* text, bool press = true) {
  HWND button = GetDlgItem(wizard, IDOK);
  const bool ready =
      wait_until([&] { return window_text(button) == text && IsWindowEnabled(button); }, step_timeout_ms);
  if (ready && press) PostMessageA(wizard, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(button));
  return ready;
}

class tour_test : public e2e_test {
 protected:
  void SetUp() override {
    e2e_test::SetUp();
    // The image's files as read back from it by tools/demo/make_cd.sh.
    const std::string root = mount_disc(join_path(program_dir(), "..\\korvamund-cd"));
    ASSERT_FALSE(root.empty());
    cd_dir = CharLowerA(&(root + "\\")[0]);  // lower case, as program_of gives it
    install_dir = CharLowerA(&join_path(scratch_dir, "Program Files\\Korvamund")[0]);
  }
  void TearDown() override {
    // A program left open keeps its files, and so the folders.
    for (const char* title : {"DirectX Setup", "Korvamund Setup", "Korvamund Uninstall", "Korvamund"}) {
      HANDLE process = visible_window(title) ? window_process(visible_window(title)) : nullptr;
      if (process && TerminateProcess(process, 1)) WaitForSingleObject(process, step_timeout_ms);
      if (process) CloseHandle(process);
    }
    e2e_test::TearDown();
  }
  void expect_installed(const menu_process& menu, bool installed) {
    HWND play = GetDlgItem(menu.window, 8002), install = GetDlgItem(menu.window, 8001);
    EXPECT_TRUE(wait_until(
        [&] { return !IsWindowEnabled(play) == !installed && !IsWindowEnabled(install) == installed; },
        step_timeout_ms))
        << installed;
  }
  long install(const std::string& folder) { return run("\"" + cd_dir + "setup.exe\" /S /D=" + folder); }

  std::string install_dir;
};

}  // namespace

// From the CD the player installs DirectX and the game (through the wizard, into a folder
// with blanks), chooses a driver, plays; a later silent installation elsewhere takes over the
// registration, so the first one's uninstaller keeps it and a player's file; the menu's
// Uninstall Game removes the later one through its wizard. The machine is as it was.
TEST_F(tour_test, from_the_cd_install_choose_driver_play_and_uninstall_leave_the_machine_as_it_was) {
  menu_process& menu = start(cd_dir);
  ASSERT_TRUE(menu.window);
  expect_installed(menu, false);
  click(menu, 8004);  // Install DirectX: the DirectX setup at the root of the menu's drive
  HWND box = wait_for_window("DirectX Setup");
  EXPECT_EQ(program_of(box), cd_dir + "redist\\directx\\dxsetup.exe");
  press(box, IDOK);

  click(menu, 8001);  // Install Game: setup.exe beside the menu, through its wizard
  HWND wizard = wait_for_window("Korvamund Setup"), folder = nullptr;
  EXPECT_EQ(program_of(wizard), cd_dir + "setup.exe");
  ASSERT_TRUE(wizard_button(wizard, "&Next >"));
  ASSERT_TRUE(wait_until([&] {
    return IsWindowVisible(folder = GetDlgItem(FindWindowExA(wizard, nullptr, "#32770", nullptr), 1019));
  }));
  SendMessageA(folder, WM_SETTEXT, 0, LPARAM(install_dir.c_str()));
  // Once the work is done, with the wizard still open, the menu shows the game installed.
  ASSERT_TRUE(wizard_button(wizard, "&Install") && wizard_button(wizard, "&Next >", false));
  expect_installed(menu, true);
  ASSERT_TRUE(wizard_button(wizard, "&Next >") && wizard_button(wizard, "&Finish"));
  size_t bytes = read_bytes(join_path(install_dir, "uninstall.exe")).size();
  for (const char* name :
       {"startup.exe", "korv.exe", "korv3dfx.exe", "korvsw.exe", "korvk6.exe", "netlaunc.exe", "mprofile.exe",
        "Readme.txt", "Lisezmoi.txt", "Liesmich.txt", "Leggimi.txt", "Leeme.txt"}) {
    EXPECT_EQ(read_bytes(join_path(install_dir, name)), read_bytes(cd_dir + name)) << name;
    bytes += read_bytes(join_path(install_dir, name)).size();
  }
  // clang-format off
  const std::string values[][3] = {
      {app_paths, "", install_dir + "\\korv.exe"}, {app_paths, "Path", install_dir},
      {uninstall, "UninstallString", "\"" + install_dir + "\\uninstall.exe\""}, {uninstall, "DisplayName", "Korvamund"},
      {uninstall, "DisplayIcon", install_dir + "\\korv.exe,0"}, {uninstall, "DisplayVersion", "1.0.0"},
      {uninstall, "Publisher", "Korvamund"}, {uninstall, "InstallLocation", install_dir},
      {uninstall, "EstimatedSize", std::to_string(bytes / 1024)}, {uninstall, "NoModify", "1"}, {uninstall, "NoRepair", "1"}};
  // clang-format on
  for (const auto& v : values) EXPECT_EQ(registry_value(v[0], v[1].c_str()), v[2]) << v[1];

  // What the detection program found here, whole before the menu read it; it loads the
  // libraries it probes for from the system folder only, never one a player left beside it.
  ASSERT_TRUE(CopyFileA(join_path(program_dir(), "planted_library.dll").c_str(),
                        join_path(install_dir, "glide2x.dll").c_str(), FALSE));
  click(menu, 8009);
  HWND dialog = wait_for_dialog(menu.info.dwProcessId, "Select Driver", step_timeout_ms);
  ASSERT_TRUE(dialog);
  char profile[1024];
  EXPECT_EQ(read_bytes(join_path(install_dir, "mdrivers.dat")),
            std::string(profile, format_profile(probe_machine(), profile, sizeof profile)));
  EXPECT_TRUE(wait_until([&] { return send(GetDlgItem(dialog, 132), CB_GETCURSEL) >= 0; }));
  press(dialog, IDOK);
  ASSERT_TRUE(wait_closed(dialog) && wait_idle(menu.window) &&
              DeleteFileA(join_path(install_dir, "glide2x.dll").c_str()));

  click(menu, 8002);  // Play: the chosen program, and the menu ends
  HWND game = wait_for_window("Korvamund");
  EXPECT_EQ(program_of(game).rfind(install_dir + "\\", 0), 0u) << program_of(game);
  expect_closes(menu);
  HANDLE game_process = window_process(game);
  PostMessageA(game, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(game_process, step_timeout_ms), WAIT_OBJECT_0);
  CloseHandle(game_process);

  // The installed game without the CD: its Start menu entry starts the menu in the game
  // folder, which takes no setup program from there and plays.
  const std::string start_menu = join_path(shell_folder(CSIDL_COMMON_PROGRAMS), "Korvamund");
  const std::string desktop_shortcut =
      join_path(shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY), "Korvamund.lnk");
  EXPECT_EQ(folder_entries(start_menu), "Korvamund.lnk|Readme.lnk|Uninstall Korvamund.lnk|");
  EXPECT_NE(read_bytes(desktop_shortcut), "<missing>");  // the finish page's check box
  ASSERT_TRUE(install_stand_in("C:\\redist\\directx\\dxsetup.exe") && mount_disc("").empty());
  ShellExecuteA(nullptr, "open", join_path(start_menu, "Korvamund.lnk").c_str(), nullptr, nullptr,
                SW_SHOWNORMAL);
  menu_process installed{{window_process(wait_for_window("Korvamund Startup"))},
                         visible_window("Korvamund Startup")};
  EXPECT_EQ(program_of(installed.window), install_dir + "\\startup.exe");
  ASSERT_TRUE(wait_idle(installed.window));
  click(installed, 8004);
  expect_error_box(installed, cdrom_error);
  click(installed, 8002);
  game = wait_for_window("Korvamund");
  EXPECT_EQ(program_of(game).rfind(install_dir + "\\", 0), 0u) << program_of(game);
  expect_closes(installed);
  CloseHandle(installed.info.hProcess);
  game_process = window_process(game);
  PostMessageA(game, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(game_process, step_timeout_ms), WAIT_OBJECT_0);
  CloseHandle(game_process);
  remove_tree("C:\\redist");
  cd_dir = CharLowerA(&(mount_disc(join_path(program_dir(), "..\\korvamund-cd")) + "\\")[0]);

  const std::string later = CharLowerA(&join_path(scratch_dir, "Other Games\\Korvamund")[0]);
  EXPECT_EQ(install(join_path(scratch_dir, std::string(130, 'k'))), 3);  // longer than the menu can use
  EXPECT_EQ(install(install_dir), 0);  // a repair: only what setup and the menu wrote is there
  ASSERT_EQ(install(later), 0);        // 0 also says that the folder's rights were set
  ASSERT_TRUE(write_bytes(join_path(install_dir, "my notes.txt"), "mine") &&
              write_bytes(join_path(install_dir, "korvexe.dat.new"), "left by a crash"));
  // Setup takes over no folder with other content, and follows no link to another place.
  EXPECT_EQ(install(install_dir), 3);
  if (GetLogicalDrives() & (1u << 4)) EXPECT_EQ(install("E:\\junction"), 3);
  // The uninstaller ends the installed menu, whose file it could not delete while it runs.
  menu_process& running = start(install_dir, join_path(install_dir, "startup.exe"));
  ASSERT_EQ(run("\"" + install_dir + "\\uninstall.exe\" /S"), 0);  // its copy in %TEMP% goes on
  expect_closes(running);
  EXPECT_TRUE(wait_until([&] { return folder_entries(install_dir) == "my notes.txt|"; }, step_timeout_ms))
      << folder_entries(install_dir);
  EXPECT_EQ(registry_value(app_paths, "Path"), later);

  menu_process& again = start(cd_dir);
  expect_installed(again, true);
  click(again, 8006);  // Uninstall Game: the registered uninstaller, through its wizard
  wizard = wait_for_window("Korvamund Uninstall");
  ASSERT_TRUE(wizard_button(wizard, "&Uninstall") && wizard_button(wizard, "&Next >", false));
  // All is gone by then, the files the menu wrote too; the menu, still open, shows it.
  EXPECT_EQ(GetFileAttributesA(later.c_str()), INVALID_FILE_ATTRIBUTES);
  expect_installed(again, false);
  ASSERT_TRUE(wizard_button(wizard, "&Next >") && wizard_button(wizard, "&Finish"));
  EXPECT_TRUE(wait_until([&] { return !IsWindow(wizard); }, step_timeout_ms));
  EXPECT_EQ(folder_entries(start_menu) + read_bytes(desktop_shortcut), "<none><missing>");
}
