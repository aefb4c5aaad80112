// The fatal stop, each case in a child process. On Windows a thread in the child plays the
// user: it finds the "Fatal Error" box, writes its text to standard error (where the POSIX
// build writes the message itself) with what the open file held while the box was up, and
// presses OK.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "scratch.h"
#include "support/list.h"
#include "support/stop.h"

namespace {

// The file each case's child writes: one per test, as tests may run side by side.
std::string path;
std::FILE* open_stream;

std::string file_bytes() {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs in the child before it calls stop.
void answer_the_box() {
#ifdef _WIN32
  answer_own_message_box([](HWND box, HWND icon) {
    const bool lone_ok = window_text(box) == "Fatal Error" && GetDlgItem(box, IDOK) &&
                         !GetDlgItem(box, IDCANCEL) &&
                         SendMessageA(icon, STM_GETICON, 0, 0) == LRESULT(LoadIconA(nullptr, IDI_WARNING));
    std::fprintf(stderr, "%s\n%sfile at the box: %s\n", window_text(GetDlgItem(box, 0xFFFF)).c_str(),
                 lone_ok ? "" : "not a \"Fatal Error\" warning with a lone OK\n", file_bytes().c_str());
    std::fflush(stderr);
  });
#endif
}

// What the child reports after the message: on Windows what the file held while the box
// was up, so its streams must be closed by then.
std::string after_message(const std::string& written) {
#ifdef _WIN32
  return "\nfile at the box: " + written + "\n$";
#else
  (void)written;
  return "\n$";
#endif
}

}  // namespace

TEST(StopDeathTest, ShowsTheFormattedMessageAndExitsWithZero) {
  const std::string long_text(400, 'x');
  const std::pair<const char*, std::string> cases[] = {
      {"pfopen(): out of memory", "pfopen\\(\\): out of memory"},
      {nullptr, "No Message"},
      {"Path: %s, corrupt", "Path: /games/korv, corrupt"},
      {"%s%s", "/games/korv" + std::string(244, 'x')},  // cut at 255 characters
  };
  path = testing::TempDir() + "stop message.txt";
  for (const auto& [format, shown] : cases) {
    EXPECT_EXIT((answer_the_box(), stop(format, "/games/korv", long_text.c_str())),
                testing::ExitedWithCode(0), "^" + shown + after_message(""));
  }
}

// Buffered output reaches the file, and the callbacks run once, in order, before it closes.
TEST(StopDeathTest, CallbacksRunOnceInOrderBeforeFilesClose) {
  void (*write_first)() = [] { std::fputs(" first", open_stream); };
  void (*write_second)() = [] { std::fputs(" second", open_stream); };
  void (*write_and_stop_again)() = [] {
    std::fputs(" again", open_stream);
    stop("second stop");
  };
  const struct {
    std::vector<void (*)()> callbacks;
    const char* shown;
    const char* written;
  } cases[] = {
      {{write_first, write_second}, "pfopen\\(\\): out of memory", "data first second"},
      {{write_first, write_and_stop_again, write_second}, "second stop", "data first again"},
  };
  path = testing::TempDir() + "stop callbacks.txt";
  for (const auto& c : cases) {
    std::remove(path.c_str());
    auto child = [&] {
      answer_the_box();
      open_stream = std::fopen(path.c_str(), "w");
      std::setvbuf(open_stream, nullptr, _IOFBF, 4096);
      std::fputs("data", open_stream);
      stop_callbacks = list_create();
      for (void (*callback)() : c.callbacks) list_append(reinterpret_cast<void*>(callback), stop_callbacks);
      stop("pfopen(): out of memory");
    };
    EXPECT_EXIT(child(), testing::ExitedWithCode(0), "^" + std::string(c.shown) + after_message(c.written));
    EXPECT_EQ(file_bytes(), c.written);
  }
}
