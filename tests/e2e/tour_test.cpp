// The demo tour as a player takes it, from the game CD in a CD-ROM drive, through the real
// demo programs: DirectX setup, the installer's wizard, the renderers the detection program
// found, the game, and the uninstaller's wizard, which leaves the machine as it was.
#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <string>
#include <vector>

#include "harness.h"
#include "renderer_probe.h"
#include "renderer_profile.h"

namespace {

constexpr int install_game_id = 8001, play_id = 8002, install_directx_id = 8004, uninstall_game_id = 8006,
              change_driver_id = 8009, driver_list_id = 132;
constexpr int wizard_button_id = 1;   // Next, Install, Uninstall or Finish
constexpr int folder_edit_id = 1019;  // on the installer's folder page
constexpr const char* game_window = "Korvamund";
// A whole installation or removal under Wine on a busy machine.
constexpr int step_timeout_ms = 5 * 60 * 1000;

// Wine's request to its mount manager, as its configuration program makes it: a drive
// letter of the given type on a Unix folder (DRIVE_NO_ROOT_DIR takes the letter away).
struct mountmgr_unix_drive {
  ULONG size, type, fs_type;
  DWORD serial;
  ULONGLONG unix_dev;
  WCHAR letter;
  USHORT mount_point_offset, device_offset, label_offset;
};

bool define_drive(char letter, UINT type, const std::string& unix_folder) {
  std::vector<char> request(sizeof(mountmgr_unix_drive) + unix_folder.size() + 1, '\0');
  auto* drive = reinterpret_cast<mountmgr_unix_drive*>(request.data());
  drive->size = static_cast<ULONG>(request.size());
  drive->type = type;
  drive->letter = static_cast<WCHAR>(letter);
  drive->mount_point_offset = unix_folder.empty() ? 0 : sizeof *drive;
  std::memcpy(request.data() + sizeof *drive, unix_folder.c_str(), unix_folder.size());
  HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  BOOL ok =
      DeviceIoControl(manager, CTL_CODE(0x6d, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS),
                      request.data(), static_cast<DWORD>(request.size()), nullptr, 0, &returned, nullptr);
  CloseHandle(manager);
  return ok != FALSE;
}

std::string unix_path(const std::string& windows_path) {
  using to_unix = char*(CDECL*)(const WCHAR*);
  auto convert = reinterpret_cast<to_unix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  WCHAR wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, windows_path.c_str(), -1, wide, MAX_PATH);
  char* path = convert != nullptr ? convert(wide) : nullptr;
  std::string result = path != nullptr ? path : "";
  HeapFree(GetProcessHeap(), 0, path);
  return result;
}

// Vista's kernel32 call; the tree's headers stop at the XP level that the menu keeps to.
extern "C" BOOL WINAPI QueryFullProcessImageNameA(HANDLE process, DWORD flags, LPSTR path, PDWORD size);

HANDLE window_process(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, id);
}

std::string program_of(HWND window) {
  HANDLE process = window_process(window);
  char path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  if (process != nullptr && !QueryFullProcessImageNameA(process, 0, path, &size)) path[0] = '\0';
  if (process != nullptr) CloseHandle(process);
  return path;
}

// A wizard by its title, waited for. NSIS adds a blank to the title on some pages.
HWND wait_for_wizard(const std::string& title) {
  HWND found = nullptr;
  wait_until(
      [&] {
        for (found = nullptr; (found = FindWindowExA(nullptr, found, "#32770", nullptr)) != nullptr;) {
          const std::string text = window_text(found);
          if (text.substr(0, text.find_last_not_of(' ') + 1) == title) return true;
        }
        return false;
      },
      step_timeout_ms);
  return found;
}

// Waits until the wizard's main button reads text and can be pressed (during the work it
// cannot), and presses it unless told not to.
bool wizard_button(HWND wizard, const char* text, bool press = true) {
  HWND button = GetDlgItem(wizard, wizard_button_id);
  bool ready =
      wait_until([&] { return window_text(button) == text && IsWindowEnabled(button); }, step_timeout_ms);
  if (ready && press)
    PostMessageA(wizard, WM_COMMAND, MAKEWPARAM(wizard_button_id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
  return ready;
}

class tour_test : public e2e_test {
 protected:
  void SetUp() override {
    e2e_test::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    const DWORD used = GetLogicalDrives();
    for (char letter = 'k'; letter <= 'y' && cd_letter == 0; ++letter)
      if ((used & (1u << (letter - 'a'))) == 0) cd_letter = letter;
    ASSERT_NE(cd_letter, 0);
    // The image's files as read back from it (tools/demo/make_cd.sh).
    ASSERT_TRUE(
        define_drive(cd_letter, DRIVE_CDROM, unix_path(join_path(program_dir(), "..\\korvamund-cd"))));
    cd_dir = std::string(1, cd_letter) + ":\\";
    ASSERT_EQ(GetDriveTypeA(cd_dir.c_str()), static_cast<UINT>(DRIVE_CDROM));
    install_dir = join_path(scratch_dir, "Program Files\\Korvamund");
  }

  void TearDown() override {
    // A program left open keeps its files, and so the folders.
    for (HWND window : {find_dialog(0, "DirectX Setup"), find_dialog(0, "Korvamund Setup"),
                        find_dialog(0, "Korvamund Setup "), find_dialog(0, "Korvamund Uninstall"),
                        find_dialog(0, "Korvamund Uninstall "), FindWindowA(game_window, game_window)}) {
      HANDLE process = window != nullptr ? window_process(window) : nullptr;
      if (process == nullptr) continue;
      TerminateProcess(process, 1);
      WaitForSingleObject(process, 5000);
      CloseHandle(process);
    }
    e2e_test::TearDown();
    if (cd_letter != 0) define_drive(cd_letter, DRIVE_NO_ROOT_DIR, "");
  }

  void expect_installed(const menu_process& menu, bool installed) {
    EXPECT_TRUE(wait_until(
        [&] {
          return (IsWindowEnabled(GetDlgItem(menu.window, play_id)) != FALSE) == installed &&
                 (IsWindowEnabled(GetDlgItem(menu.window, install_game_id)) != FALSE) == !installed;
        },
        step_timeout_ms))
        << (installed ? "installed" : "not installed");
  }

  char cd_letter = 0;
  std::string install_dir;
};

}  // namespace

TEST_F(tour_test, from_the_cd_install_choose_driver_play_and_uninstall_leave_the_machine_as_it_was) {
  std::string game_command;
  {
    menu_process& menu = start_from_cd(cd_dir);
    ASSERT_TRUE(menu.window);
    expect_installed(menu, false);

    SCOPED_TRACE("Install DirectX: the setup at the root of the menu's drive");
    click(menu, install_directx_id);
    HWND box = wait_for_dialog(0, "DirectX Setup", step_timeout_ms);
    ASSERT_TRUE(box);
    EXPECT_STRCASEEQ(program_of(box).c_str(), (cd_dir + "redist\\directx\\dxsetup.exe").c_str());
    press_ok(box);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(box); }));

    SCOPED_TRACE("Install Game: setup.exe beside the menu, through its wizard");
    click(menu, install_game_id);
    HWND wizard = wait_for_wizard("Korvamund Setup");
    ASSERT_TRUE(wizard);
    EXPECT_STRCASEEQ(program_of(wizard).c_str(), (cd_dir + "setup.exe").c_str());
    HANDLE setup = window_process(wizard);
    ASSERT_TRUE(wizard_button(wizard, "&Next >"));
    HWND folder = nullptr;
    ASSERT_TRUE(wait_until([&] {
      folder = GetDlgItem(FindWindowExA(wizard, nullptr, "#32770", nullptr), folder_edit_id);
      return folder != nullptr && IsWindowVisible(folder);
    }));
    SendMessageA(folder, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(install_dir.c_str()));
    ASSERT_TRUE(wizard_button(wizard, "&Install"));
    // Once the files are in, while the wizard is still open, the menu shows the game installed.
    ASSERT_TRUE(wizard_button(wizard, "&Next >", false));
    expect_installed(menu, true);
    ASSERT_TRUE(wizard_button(wizard, "&Next >"));
    ASSERT_TRUE(wizard_button(wizard, "&Finish"));
    DWORD exit_code = 1;
    EXPECT_EQ(WaitForSingleObject(setup, step_timeout_ms), WAIT_OBJECT_0);
    GetExitCodeProcess(setup, &exit_code);
    CloseHandle(setup);
    EXPECT_EQ(exit_code, 0u);

    SCOPED_TRACE("Change Video Driver: every renderer found, the choice stored");
    click(menu, change_driver_id);
    HWND dialog = wait_for_dialog(menu.info.dwProcessId, "Select Driver", step_timeout_ms);
    ASSERT_TRUE(dialog);
    // The detection program wrote what it finds on this machine, whole, before the menu read it.
    std::string mdrivers;
    ASSERT_TRUE(read_file(join_path(install_dir, "mdrivers.dat"), &mdrivers));
    char profile[1024];
    EXPECT_EQ(mdrivers, std::string(profile, format_profile(probe_machine(), profile, sizeof profile)));
    size_t found = 0;
    for (size_t at = 0; (at = mdrivers.find("PRESENT ", at)) != std::string::npos; ++at) ++found;
    HWND list = GetDlgItem(dialog, driver_list_id);
    EXPECT_TRUE(wait_until([&] { return combo_items(list).size() == found && combo_selection(list) >= 0; }))
        << mdrivers;
    press_ok(dialog);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
    EXPECT_TRUE(wait_menu_idle(menu));
    std::string korvexe;
    ASSERT_TRUE(read_file(join_path(install_dir, "korvexe.dat"), &korvexe));
    const size_t line_end = korvexe.find("\r\n");
    ASSERT_NE(line_end, std::string::npos) << korvexe;
    EXPECT_NE(mdrivers.find(korvexe.substr(0, line_end) + " PRESENT"), std::string::npos) << korvexe;
    game_command = korvexe.substr(line_end + 2, korvexe.find("\r\n", line_end + 2) - line_end - 2);

    SCOPED_TRACE("Play: the stored program from the install folder, and the menu ends");
    click(menu, play_id);
    HWND game = nullptr;
    ASSERT_TRUE(wait_until([&] { return (game = FindWindowA(game_window, game_window)) != nullptr; },
                           step_timeout_ms));
    EXPECT_STRCASEEQ(program_of(game).c_str(),
                     join_path(install_dir, game_command.substr(0, game_command.find(' '))).c_str());
    EXPECT_TRUE(wait_for_exit(menu, step_timeout_ms, &exit_code));
    EXPECT_EQ(exit_code, 0u);
    HANDLE process = window_process(game);
    PostMessageA(game, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process, step_timeout_ms), WAIT_OBJECT_0);
    CloseHandle(process);
  }
  {
    SCOPED_TRACE("Uninstall Game: the registered uninstaller, through its wizard");
    menu_process& menu = start_from_cd(cd_dir);
    ASSERT_TRUE(menu.window);
    expect_installed(menu, true);
    click(menu, uninstall_game_id);
    HWND wizard = wait_for_wizard("Korvamund Uninstall");
    ASSERT_TRUE(wizard);
    ASSERT_TRUE(wizard_button(wizard, "&Uninstall"));
    ASSERT_TRUE(wizard_button(wizard, "&Next >", false));
    // Everything is gone by then, the files the menu and the detection program wrote too,
    // and the menu, still open, shows the game not installed.
    EXPECT_EQ(GetFileAttributesA(install_dir.c_str()), INVALID_FILE_ATTRIBUTES);
    expect_installed(menu, false);
    ASSERT_TRUE(wizard_button(wizard, "&Next >"));
    ASSERT_TRUE(wizard_button(wizard, "&Finish"));
    EXPECT_TRUE(wait_until([&] { return !IsWindow(wizard); }, step_timeout_ms));
  }
}
