// The fatal stop: callbacks once, streams written out and closed, the reason shown, and the
// process ended with exit code 0. The platform steps live in stop_windows.cpp and
// stop_posix.cpp.
#include "support/stop.h"

#include <cstdarg>
#include <cstdio>

#include "support/stop_platform.h"

list_node* stop_callbacks = nullptr;

namespace {

// Set by the first stop, so that a stop entered from a callback or while the first one's
// message is showing does not run the callbacks again.
bool callbacks_started = false;

using stop_callback = void (*)();

// Each node's successor is read before its function runs, and the walk ends at whatever
// head stop_callbacks names at that moment, so a callback may change the list.
void run_stop_callbacks() {
  if (stop_callbacks == nullptr) return;
  list_node* node = stop_callbacks->next;
  while (node != stop_callbacks) {
    void* item = node->item;
    list_node* following = node->next;
    if (item != nullptr) reinterpret_cast<stop_callback>(item)();
    node = following;
  }
}

}  // namespace

void stop(const char* format, ...) {
  if (!callbacks_started) {
    callbacks_started = true;
    run_stop_callbacks();
  }
  stop_close_streams();

  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format != nullptr ? format : "No Message", args);
  va_end(args);

  stop_show_message(text);
  debug_message(nullptr, "Terminated by call to stop");
  stop_end_process();
}

void debug_message(const char*, const char*, ...) {}
