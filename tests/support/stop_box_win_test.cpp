// Runs fatal_stop_program.exe and answers its message box the way a user would.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct box_search {
  DWORD process;
  HWND box;
};

BOOL CALLBACK find_box_of_process(HWND window, LPARAM search_address) {
  box_search* search = reinterpret_cast<box_search*>(search_address);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char class_name[16] = "";
  char caption[32] = "";
  GetClassNameA(window, class_name, sizeof class_name);
  GetWindowTextA(window, caption, sizeof caption);
  if (process == search->process && std::string(class_name) == "#32770" &&
      std::string(caption) == "Fatal Error") {
    search->box = window;
    return FALSE;
  }
  return TRUE;
}

HWND wait_for_box(DWORD process) {
  box_search search = {process, nullptr};
  for (int attempt = 0; attempt < 500 && search.box == nullptr; ++attempt) {
    EnumWindows(find_box_of_process, reinterpret_cast<LPARAM>(&search));
    if (search.box == nullptr) Sleep(20);
  }
  return search.box;
}

std::string program_beside_this_one(const char* name) {
  char path[MAX_PATH] = "";
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of("\\/") + 1) + name;
}

std::string read_file(const std::string& path) {
  std::string content;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    char buffer[256];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, count);
    std::fclose(file);
  }
  return content;
}

}  // namespace

TEST(FatalStopBox, ShowsTheReasonAndEndsWithZeroOnceDismissed) {
  const std::string output = testing::TempDir() + "fatal stop output.txt";
  std::remove(output.c_str());
  std::string command =
      "\"" + program_beside_this_one("fatal_stop_program.exe") + "\" \"" + output + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &child));

  HWND box = wait_for_box(child.dwProcessId);
  EXPECT_NE(box, nullptr);
  if (box != nullptr) {
    char text[512] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ(text, "pfopen(): out of memory");
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
    // The box comes after the streams are closed.
    EXPECT_EQ(read_file(output), "buffered line");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  }

  DWORD exit_code = 1;
  if (WaitForSingleObject(child.hProcess, 10000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(child.hProcess, &exit_code);
  } else {
    ADD_FAILURE() << "the program did not end after the box was dismissed";
    TerminateProcess(child.hProcess, 1);
    WaitForSingleObject(child.hProcess, 5000);
  }
  EXPECT_EQ(exit_code, 0u);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  std::remove(output.c_str());
}
