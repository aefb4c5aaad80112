// stop() on Windows: the C runtime closes its streams, a task-modal warning box with no
// owner shows the reason, and the process ends with code 0.
#include <windows.h>

#include <cstdio>

#include "support/stop_platform.h"

namespace {

// MB_OK | MB_ICONWARNING | MB_TASKMODAL: OK alone, a warning icon, and every top-level
// window of this thread disabled while the box is up.
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
