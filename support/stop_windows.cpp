// stop() on Windows: the C runtime closes its streams, a task-modal warning box with no
// owner shows the reason, and the process ends with code 0.
#include <windows.h>

#include <cstdio>

#include "support/stop_platform.h"

namespace {

// The reason stands alone: no other window of this thread takes input until it is read.
constexpr UINT fatal_box_style = MB_OK | MB_ICONWARNING | MB_TASKMODAL;

}  // namespace

void stop_close_streams() {
  // Closes every stream but stdin, stdout and stderr, writing out their buffers.
  _fcloseall();
}

void stop_show_message(const char* text) {
  MessageBoxA(nullptr, text, "Fatal Error", fatal_box_style);
}

void stop_end_process() {
  ExitProcess(0);
}
