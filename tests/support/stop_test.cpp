// The fatal stop, each case in a child process. On Windows a helper thread in the child
// plays the user: it finds the "Fatal Error" box, writes its text to standard error (where
// the POSIX build writes the message itself), notes what the open file held while the box
// was up, and presses OK.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "support/list.h"
#include "support/stop.h"

namespace {

std::string read_file(const std::string& path) {
  std::ostringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();
  return content.str();
}

std::string open_path;  // the child's open file
std::FILE* open_stream;

#ifdef _WIN32
BOOL CALLBACK match_fatal_box(HWND window, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char class_name[16] = "", caption[32] = "";
  GetClassNameA(window, class_name, sizeof class_name);
  GetWindowTextA(window, caption, sizeof caption);
  if (process != GetCurrentProcessId() || std::string(class_name) != "#32770" ||
      std::string(caption) != "Fatal Error")
    return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

DWORD WINAPI answer_fatal_box(void*) {
  HWND box = nullptr;
  for (int attempt = 0; attempt < 500 && box == nullptr; ++attempt) {
    EnumWindows(match_fatal_box, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) Sleep(20);
  }
  if (box == nullptr) return 1;
  char text[512] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // a message box's static text
  std::fprintf(stderr, "%s\n", text);
  if (GetDlgItem(box, IDOK) == nullptr || GetDlgItem(box, IDCANCEL) != nullptr)
    std::fprintf(stderr, "not a lone OK button\n");
  if (!open_path.empty()) std::fprintf(stderr, "file at the box: %s\n", read_file(open_path).c_str());
  std::fflush(stderr);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  return 0;
}
#endif

// Runs in the child before it calls stop.
void expect_fatal_message() {
#ifdef _WIN32
  HANDLE thread = CreateThread(nullptr, 0, answer_fatal_box, nullptr, 0, nullptr);
  if (thread != nullptr) CloseHandle(thread);
#endif
}

// What stop shows for the file: on Windows the helper reports what the file held while the
// box was up, so the streams must be closed before the box.
std::string shown_with_file(const char* content) {
#ifdef _WIN32
  return std::string("\nfile at the box: ") + content + "\n$";
#else
  (void)content;
  return "\n$";
#endif
}

void write_first() {
  std::fputs(" first", open_stream);
}
void write_second() {
  std::fputs(" second", open_stream);
}
void write_and_stop_again() {
  std::fputs(" again", open_stream);
  stop("second stop");
}

// Opens path for writing, leaves text in the stream's buffer and registers the callbacks.
void prepare_child(const std::string& path, const std::vector<void (*)()>& callbacks) {
  open_path = path;
  expect_fatal_message();
  open_stream = std::fopen(path.c_str(), "w");
  if (open_stream == nullptr) return;
  std::setvbuf(open_stream, nullptr, _IOFBF, 4096);
  std::fputs("data", open_stream);
  stop_callbacks = list_create();
  for (void (*callback)() : callbacks) list_append(reinterpret_cast<void*>(callback), stop_callbacks);
}

}  // namespace

TEST(StopDeathTest, ShowsTheFormattedMessageAndExitsWithZero) {
  const std::string long_text(400, 'x');
  const struct {
    const char* format;
    const char* argument;
    std::string shown;
  } cases[] = {
      {"pfopen(): out of memory", nullptr, "pfopen\\(\\): out of memory"},
      {nullptr, nullptr, "No Message"},
      {"Path: %s, corrupt", "/games/korv", "Path: /games/korv, corrupt"},
      {"%s", long_text.c_str(), std::string(255, 'x')},  // cut at 255 characters
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown.substr(0, 30));
    EXPECT_EXIT(
        {
          expect_fatal_message();
          stop(c.format, c.argument);
        },
        testing::ExitedWithCode(0), "^" + c.shown + "\n$");
  }
}

// Buffered output reaches the file, and the callbacks run once, in order, before it closes.
TEST(StopDeathTest, CallbacksRunOnceInOrderBeforeFilesClose) {
  const struct {
    std::vector<void (*)()> callbacks;
    const char* shown;
    const char* written;
  } cases[] = {
      {{write_first, write_second}, "pfopen\\(\\): out of memory", "data first second"},
      {{write_first, write_and_stop_again, write_second}, "second stop", "data first again"},
  };
  const std::string path = testing::TempDir() + "stop callbacks.txt";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    std::remove(path.c_str());
    EXPECT_EXIT(
        {
          prepare_child(path, c.callbacks);
          stop("pfopen(): out of memory");
        },
        testing::ExitedWithCode(0), "^" + std::string(c.shown) + shown_with_file(c.written));
    EXPECT_EQ(read_file(path), c.written);
  }
  std::remove(path.c_str());
}
