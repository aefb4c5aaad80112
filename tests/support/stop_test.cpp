// The fatal stop, each case in a child process. On Windows a helper thread in the child
// plays the user: it reads the "Fatal Error" box, writes its text to standard error (where
// the POSIX build writes the message itself) and presses OK.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "stop_test_support.h"
#include "support/list.h"
#include "support/stop.h"

namespace {

#ifdef _WIN32
DWORD WINAPI answer_fatal_box(void*) {
  HWND box = wait_for_fatal_box(GetCurrentProcessId());
  if (box == nullptr) return 1;
  std::fprintf(stderr, "%s\n", fatal_box_text(box).c_str());
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

std::string temp_path(const char* name) { return testing::TempDir() + name; }

std::FILE* open_stream;

void write_first() { std::fputs(" first", open_stream); }
void write_second() { std::fputs(" second", open_stream); }
void write_and_stop_again() {
  std::fputs(" again", open_stream);
  stop("second stop");
}

// Opens path for writing, leaves text in the stream's buffer and registers the callbacks.
void prepare_child(const std::string& path, const char* text,
                   std::initializer_list<void (*)()> callbacks) {
  expect_fatal_message();
  open_stream = std::fopen(path.c_str(), "w");
  if (open_stream == nullptr) return;
  std::setvbuf(open_stream, nullptr, _IOFBF, 4096);
  std::fputs(text, open_stream);
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

TEST(StopDeathTest, CallbacksRunInOrderBeforeFilesClose) {
  const std::string path = temp_path("stop_callbacks.txt");
  std::remove(path.c_str());
  EXPECT_EXIT(
      {
        prepare_child(path, "data", {write_first, write_second});
        stop("pffopen(): out of memory");
      },
      testing::ExitedWithCode(0), "out of memory");
  EXPECT_EQ(read_file(path), "data first second");
  std::remove(path.c_str());
}

TEST(StopDeathTest, StopFromACallbackDoesNotRunTheCallbacksAgain) {
  const std::string path = temp_path("stop_again.txt");
  std::remove(path.c_str());
  EXPECT_EXIT(
      {
        prepare_child(path, "data", {write_first, write_and_stop_again, write_second});
        stop("first stop");
      },
      testing::ExitedWithCode(0), "^second stop\n$");
  EXPECT_EQ(read_file(path), "data first again");
  std::remove(path.c_str());
}
