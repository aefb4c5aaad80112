#include <cstdio>

#include "scratch_windows.h"
#include "stop_answer.h"

void answer_the_box() {
  answer_own_message_box([](HWND box, HWND icon) {
    const bool lone_ok = window_text(box) == "Fatal Error" && GetDlgItem(box, IDOK) &&
                         !GetDlgItem(box, IDCANCEL) &&
                         SendMessageA(icon, STM_GETICON, 0, 0) == LRESULT(LoadIconA(nullptr, IDI_WARNING));
    std::fprintf(stderr, "%s\n%sfile at the box: %s\n", window_text(GetDlgItem(box, 0xFFFF)).c_str(),
                 lone_ok ? "" : "not a \"Fatal Error\" warning with a lone OK\n", file_bytes().c_str());
    std::fflush(stderr);
  });
}

// The file's streams must be closed by the time the box shows.
std::string after_message(const std::string& written) {
  return "\nfile at the box: " + written + "\n$";
}
