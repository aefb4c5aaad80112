// The demo tour as a player takes it, through the real demo programs: install with the
// setup wizard, choose among the renderers the detection program found, play, and
// uninstall, which leaves the machine as it was.
#include "harness.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int install_game_id = 8001;
constexpr int play_id = 8002;
constexpr int uninstall_game_id = 8006;
constexpr int change_driver_id = 8009;
constexpr int driver_list_id = 132;

constexpr const char* setup_class = "KorvamundSetup";
constexpr const char* setup_title = "Korvamund Setup";
constexpr int setup_dir_id = 101;
constexpr int setup_next_id = 103;
constexpr const char* uninstall_caption = "Korvamund Uninstall";
// The uninstaller's clean-up copy in %TEMP% is named korvamund-uninstall-<pid>.exe.
constexpr const char* uninstall_copy_prefix = "korvamund-uninstall-";

// What the installer copies from its own folder.
const char* const installed_programs[] = {"korv.exe",     "korv3dfx.exe", "korvsw.exe",   "korvk6.exe",
                                          "netlaunc.exe", "mprofile.exe", "uninstall.exe"};

std::string lower(std::string text) {
  if (!text.empty()) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

// The full path of a process's program: its first module.
std::string process_image(DWORD process_id) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process_id);
  if (snapshot == INVALID_HANDLE_VALUE) return std::string();
  MODULEENTRY32 module{};
  module.dwSize = sizeof module;
  std::string image = Module32First(snapshot, &module) ? module.szExePath : "";
  CloseHandle(snapshot);
  return image;
}

std::string window_process_image(HWND window) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  return process_image(process_id);
}

HANDLE open_window_process(HWND window) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, process_id);
}

// A process this test may have started, directly or through the menu: one whose program
// lies in folder, or an uninstaller clean-up copy.
bool started_by_the_tour(const std::string& image, const std::string& folder) {
  const std::string path = lower(image);
  if (path.rfind(lower(folder) + "\\", 0) == 0) return true;
  size_t slash = path.find_last_of('\\');
  return path.compare(slash == std::string::npos ? 0 : slash + 1, std::strlen(uninstall_copy_prefix),
                      uninstall_copy_prefix) == 0;
}

// Ends every running process started_by_the_tour, leaving the test itself alone.
void end_tour_processes(const std::string& folder) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId()) continue;
    if (!started_by_the_tour(process_image(entry.th32ProcessID), folder)) continue;
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
    if (process == nullptr) continue;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
  }
  CloseHandle(snapshot);
}

class tour_test : public e2e_test {
 protected:
  void SetUp() override {
    e2e_test::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    // The CD: the menu with the installer beside it, and the installer's sources.
    ASSERT_TRUE(copy_file(join_path(program_dir(), "setup.exe"), join_path(cd_dir, "setup.exe")));
    for (const char* name : installed_programs) {
      ASSERT_TRUE(copy_file(join_path(program_dir(), name), join_path(cd_dir, name))) << name;
    }
    install_dir = join_path(scratch_dir, "Games\\Korvamund");
  }

  void TearDown() override {
    // Processes first: a running program keeps its file, and so the folders.
    end_tour_processes(scratch_dir);
    e2e_test::TearDown();
    // The uninstaller leaves its finished clean-up copy for the next restart.
    char temp[MAX_PATH + 1] = {};
    if (GetTempPathA(MAX_PATH, temp) != 0) {
      WIN32_FIND_DATAA found;
      const std::string pattern = join_path(temp, std::string(uninstall_copy_prefix) + "*.exe");
      HANDLE search = FindFirstFileA(pattern.c_str(), &found);
      if (search != INVALID_HANDLE_VALUE) {
        do DeleteFileA(join_path(temp, found.cFileName).c_str());
        while (FindNextFileA(search, &found));
        FindClose(search);
      }
    }
  }

  void expect_buttons(const menu_process& menu, bool installed) {
    EXPECT_TRUE(wait_until([&] {
      return (IsWindowEnabled(menu_button(menu, play_id)) != FALSE) == installed &&
             (IsWindowEnabled(menu_button(menu, install_game_id)) != FALSE) == !installed;
    })) << (installed ? "installed" : "not installed");
  }

  // Install Game, then the wizard: Next, the folder, Install, Finish.
  void install_through_the_wizard(menu_process& menu) {
    click(menu, install_game_id);
    HWND wizard = nullptr;
    ASSERT_TRUE(wait_until([&] {
      wizard = FindWindowA(setup_class, setup_title);
      return wizard != nullptr && IsWindowVisible(wizard);
    }));
    EXPECT_STRCASEEQ(window_process_image(wizard).c_str(), join_path(cd_dir, "setup.exe").c_str());
    HANDLE setup = open_window_process(wizard);
    ASSERT_TRUE(setup);
    HWND folder = GetDlgItem(wizard, setup_dir_id);
    HWND next = GetDlgItem(wizard, setup_next_id);
    ASSERT_TRUE(folder && next);

    PostMessageA(wizard, WM_COMMAND, MAKEWPARAM(setup_next_id, BN_CLICKED), reinterpret_cast<LPARAM>(next));
    EXPECT_TRUE(wait_until([&] { return IsWindowVisible(folder) != FALSE; }));
    SendMessageA(folder, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(install_dir.c_str()));
    PostMessageA(wizard, WM_COMMAND, MAKEWPARAM(setup_next_id, BN_CLICKED), reinterpret_cast<LPARAM>(next));
    EXPECT_TRUE(wait_until([&] { return window_text(next) == "&Finish"; }, 20000)) << window_text(next);

    PostMessageA(wizard, WM_COMMAND, MAKEWPARAM(setup_next_id, BN_CLICKED), reinterpret_cast<LPARAM>(next));
    EXPECT_EQ(WaitForSingleObject(setup, default_timeout_ms), WAIT_OBJECT_0);
    DWORD exit_code = 1;
    GetExitCodeProcess(setup, &exit_code);
    CloseHandle(setup);
    EXPECT_EQ(exit_code, 0u);
  }

  // Change Video Driver: the list holds every renderer the detection program found, Ramp
  // among them, with a present one chosen; OK stores it. Returns the stored game command.
  std::string choose_driver(menu_process& menu) {
    click(menu, change_driver_id);
    HWND dialog = wait_for_dialog(menu.info.dwProcessId, "Select Driver", 20000);
    EXPECT_TRUE(dialog);
    if (dialog == nullptr || !wait_until([&] { return IsWindowVisible(dialog) != FALSE; }))
      return std::string();
    std::string mdrivers;
    EXPECT_TRUE(read_file(join_path(install_dir, "mdrivers.dat"), &mdrivers));
    std::istringstream lines(mdrivers);
    size_t found = 0;
    std::vector<std::string> present;
    for (std::string line; std::getline(lines, line);) {
      std::istringstream words(line);
      std::string key, state;
      words >> key >> state;
      if (state == "PRESENT") present.push_back(key);
      if (state == "PRESENT" || state == "MAYBEPRESENT") ++found;
    }
    HWND list = GetDlgItem(dialog, driver_list_id);
    std::vector<std::string> shown = combo_items(list);
    EXPECT_EQ(shown.size(), found) << mdrivers;
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Direct3D Ramp"), shown.end()) << mdrivers;
    EXPECT_GE(combo_selection(list), 0);

    press_ok(dialog);
    EXPECT_TRUE(wait_closed(dialog));
    EXPECT_TRUE(wait_menu_idle(menu));
    std::string korvexe;
    EXPECT_TRUE(read_file(join_path(install_dir, "korvexe.dat"), &korvexe));
    const size_t first_end = korvexe.find("\r\n");
    if (first_end == std::string::npos || korvexe.size() < first_end + 4) return std::string();
    EXPECT_NE(std::find(present.begin(), present.end(), korvexe.substr(0, first_end)), present.end())
        << korvexe;
    return korvexe.substr(first_end + 2, korvexe.size() - first_end - 4);
  }

  // Play: the stored program starts from the install folder and the menu ends.
  void play(menu_process& menu, const std::string& game_command) {
    click(menu, play_id);
    HWND game = nullptr;
    ASSERT_TRUE(
        wait_until([&] { return (game = FindWindowA(game_class_name, game_class_name)) != nullptr; }, 20000));
    HANDLE process = open_window_process(game);
    ASSERT_TRUE(process);
    const std::string program = game_command.substr(0, game_command.find(' '));
    EXPECT_STRCASEEQ(window_process_image(game).c_str(), join_path(install_dir, program).c_str());
    DWORD exit_code = 1;
    EXPECT_TRUE(wait_for_exit(menu, default_timeout_ms, &exit_code));
    EXPECT_EQ(exit_code, 0u);

    PostMessageA(game, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process, default_timeout_ms), WAIT_OBJECT_0);
    CloseHandle(process);
  }

  // Uninstall Game: Yes to the question, OK to the report.
  void uninstall(menu_process& menu) {
    click(menu, uninstall_game_id);
    HWND question = nullptr;
    ASSERT_TRUE(wait_until([&] {
      question = find_dialog(0, uninstall_caption);
      return question != nullptr && message_box_text(question).find("Remove Korvamund") != std::string::npos;
    }));
    EXPECT_STRCASEEQ(window_process_image(question).c_str(), join_path(install_dir, "uninstall.exe").c_str());
    PostMessageA(question, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    HWND report = nullptr;
    ASSERT_TRUE(wait_until([&] {
      report = find_dialog(0, uninstall_caption);
      return report != nullptr && message_box_text(report).find("removed") != std::string::npos;
    }));
    EXPECT_EQ(message_box_text(report), "Korvamund has been removed from your computer.");
    // Everything but the running uninstaller is gone by the time it says so, the files the
    // menu and the detection program wrote included.
    for (const char* name :
         {"korv.exe", "korv3dfx.exe", "netlaunc.exe", "mprofile.exe", "mdrivers.dat", "korvexe.dat"}) {
      EXPECT_FALSE(file_exists(join_path(install_dir, name))) << name;
    }
    press_ok(report);
    EXPECT_TRUE(wait_closed(report));
  }

  std::string install_dir;
};

TEST_F(tour_test, install_choose_driver_play_and_uninstall_leave_the_machine_as_it_was) {
  {
    SCOPED_TRACE("not installed");
    menu_process& menu = start_from_cd(cd_dir);
    ASSERT_TRUE(menu.window);
    expect_buttons(menu, false);

    SCOPED_TRACE("install");
    ASSERT_NO_FATAL_FAILURE(install_through_the_wizard(menu));
    // The installer asks the running menu to repaint, which applies the enable rules.
    expect_buttons(menu, true);

    SCOPED_TRACE("change driver");
    std::string game_command = choose_driver(menu);
    ASSERT_FALSE(game_command.empty());

    SCOPED_TRACE("play");
    ASSERT_NO_FATAL_FAILURE(play(menu, game_command));
  }
  {
    SCOPED_TRACE("uninstall");
    menu_process& menu = start_from_cd(cd_dir);
    ASSERT_TRUE(menu.window);
    expect_buttons(menu, true);
    ASSERT_NO_FATAL_FAILURE(uninstall(menu));
    // The menu either ended (nothing registered when it looked) or shows not installed.
    EXPECT_TRUE(wait_until([&] {
      return !menu_running(menu) || (IsWindowEnabled(menu_button(menu, install_game_id)) &&
                                     !IsWindowEnabled(menu_button(menu, play_id)));
    }));
    if (!menu_running(menu)) {
      DWORD exit_code = 1;
      EXPECT_TRUE(wait_for_exit(menu, 0, &exit_code));
      EXPECT_EQ(exit_code, 0u);
    }
    // uninstall.exe and the folder go once its clean-up copy has seen it end.
    EXPECT_TRUE(wait_until([&] { return GetFileAttributesA(install_dir.c_str()) == INVALID_FILE_ATTRIBUTES; },
                           15000));
  }
}

}  // namespace
