// stop() on POSIX systems (Linux here): the reason goes to standard error and the process
// ends with code 0.
#if !defined(__unix__)
#error "stop_posix.cpp serves POSIX systems; other systems need a file of their own"
#endif

#include <unistd.h>

#include <cstdio>

#include "support/stop_platform.h"

void stop_close_streams() {
  // The C library gives no portable way to walk its open streams, and glibc's fcloseall
  // treats the standard three like any other. Flushing every output stream puts all
  // buffered data into the files; the descriptors themselves close when the process ends,
  // which follows at once, and the standard streams stay usable for the message.
  std::fflush(nullptr);
}

void stop_show_message(const char* text) {
  std::fprintf(stderr, "%s\n", text);
  std::fflush(stderr);
}

void stop_end_process() {
  // _exit, not exit: after a fatal condition no atexit handler or static destructor runs
  // on state that may be half built.
  _exit(0);
}
