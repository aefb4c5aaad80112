// The fatal stop, each case in a child process. Where the stop shows a box, a thread in the
// child plays the user (stop_answer_<platform>.cpp).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "scratch.h"
#include "stop_answer.h"
#include "support/list.h"
#include "support/stop.h"

namespace {

// The file each case's child writes: one per test, as tests may run side by side.
std::string path;
std::FILE* open_stream;

}  // namespace

std::string file_bytes() {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(stop, shows_the_formatted_message_and_exits_with_zero) {
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
TEST(stop, callbacks_run_once_in_order_before_files_close) {
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
