// The NSIS installer and uninstaller from the CD image, run silently: what they leave in
// the registry and on disk. (The menu's tour walks their wizards.)
#include <cstring>
#include <string>

#include "harness.h"

namespace {

constexpr const char* app_paths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\korv.exe";
constexpr const char* uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvamund";
const char* const copied_from_cd[] = {"korv.exe",     "korv3dfx.exe", "korvsw.exe", "korvk6.exe",
                                      "netlaunc.exe", "mprofile.exe", "Readme.txt"};
// A whole installation under Wine on a busy machine.
constexpr int run_timeout_ms = 5 * 60 * 1000;

std::string cd_file(const std::string& name) {
  return join_path(program_dir(), "..\\korvamund-cd\\" + name);
}

// Runs the command line to its end; its exit code, or -1.
long run(std::string command) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, run_timeout_ms) == WAIT_OBJECT_0)
    GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<long>(code);
}

long install(const std::string& folder) {
  return run("\"" + cd_file("setup.exe") + "\" /S /D=" + folder);  // /D= comes last, unquoted
}

// The uninstaller hands its work to a copy of itself in %TEMP% and ends at once.
long start_uninstall(const std::string& folder) {
  return run("\"" + join_path(folder, "uninstall.exe") + "\" /S");
}

// A text or number value under HKEY_LOCAL_MACHINE, or "<none>".
std::string registry_value(const char* key, const char* name) {
  char text[512];
  DWORD type = 0, size = sizeof text;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ | RRF_RT_REG_DWORD, &type, text, &size) !=
      ERROR_SUCCESS)
    return "<none>";
  DWORD number = 0;
  std::memcpy(&number, text, sizeof number);
  return type == REG_DWORD ? std::to_string(number) : std::string(text);
}

// The names in a folder, each followed by "|"; "<none>" when the folder does not exist.
std::string folder_entries(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(join_path(folder, "*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return "<none>";
  std::string names;
  do {
    if (entry.cFileName[0] != '.') names += std::string(entry.cFileName) + "|";
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return names;
}

class installer_test : public e2e_test {};

}  // namespace

TEST_F(installer_test, installs_and_registers_and_each_uninstall_removes_only_its_own) {
  const std::string game = join_path(scratch_dir, "Program Files\\Korvamund");
  const std::string later = join_path(scratch_dir, "Other Games\\Korvamund");
  // A folder longer than the menu can use is refused before anything happens.
  EXPECT_EQ(install(join_path(scratch_dir, std::string(130, 'k'))), 3);
  EXPECT_EQ(folder_entries(scratch_dir), "CD|");
  EXPECT_EQ(registry_value(uninstall, "DisplayName"), "<none>");

  // Exit code 0 also says that the Users group was given modify rights on the folder.
  ASSERT_EQ(install(game), 0);
  size_t bytes = 0;
  for (const char* name : copied_from_cd) {
    std::string copy, original;
    EXPECT_TRUE(read_file(join_path(game, name), &copy) && read_file(cd_file(name), &original)) << name;
    EXPECT_EQ(copy, original) << name;
    EXPECT_FALSE(GetFileAttributesA(join_path(game, name).c_str()) & FILE_ATTRIBUTE_READONLY) << name;
    bytes += copy.size();
  }
  std::string uninstaller;
  ASSERT_TRUE(read_file(join_path(game, "uninstall.exe"), &uninstaller));
  struct {
    const char* key;
    const char* name;
    std::string value;
  } values[] = {
      {app_paths, "", game + "\\korv.exe"},
      {app_paths, "Path", game},
      {uninstall, "UninstallString", "\"" + game + "\\uninstall.exe\""},
      {uninstall, "DisplayName", "Korvamund"},
      {uninstall, "DisplayIcon", game + "\\korv.exe,0"},
      {uninstall, "DisplayVersion", "1.0.0"},
      {uninstall, "Publisher", "Korvamund"},
      {uninstall, "InstallLocation", game},
      {uninstall, "EstimatedSize", std::to_string((bytes + uninstaller.size()) / 1024)},
      {uninstall, "NoModify", "1"},
      {uninstall, "NoRepair", "1"},
  };
  for (const auto& v : values) EXPECT_EQ(registry_value(v.key, v.name), v.value) << v.name;

  // A later installation elsewhere takes the registration over. Removing the first keeps
  // it, and the player's own file with the folder; the files the menu wrote go.
  ASSERT_EQ(install(later), 0);
  ASSERT_TRUE(write_file(join_path(game, "my notes.txt"), "keep me"));
  for (const char* name : {"mdrivers.dat", "korvexe.dat", "frontend.dat"})
    ASSERT_TRUE(write_file(join_path(game, name), "data\r\n"));
  ASSERT_EQ(start_uninstall(game), 0);
  EXPECT_TRUE(wait_until([&] { return folder_entries(game) == "my notes.txt|"; }, run_timeout_ms))
      << folder_entries(game);
  EXPECT_EQ(registry_value(app_paths, "Path"), later);
  EXPECT_EQ(registry_value(uninstall, "UninstallString"), "\"" + later + "\\uninstall.exe\"");

  // Removing the registered one takes its keys and, empty, its folder.
  ASSERT_EQ(start_uninstall(later), 0);
  EXPECT_TRUE(wait_until([&] { return folder_entries(later) == "<none>"; }, run_timeout_ms))
      << folder_entries(later);
  EXPECT_EQ(registry_value(app_paths, "Path"), "<none>");
  EXPECT_EQ(registry_value(uninstall, "DisplayName"), "<none>");
}
