// Times programs from process start to their first painted window: it starts the
// program, waits until a visible top-level window of that process shows the expected
// colour at the picture point (160, 120) of its client area, then closes it. The menu's
// expected colour is read from its own picture (bitmap 127); a program without that
// bitmap is expected to paint the bare window's colour. Programs are timed in turn, each
// run alternating between them, and the median of each is reported with the ratio to
// the last program named.
//
//   startup_timer RUNS PROGRAM...
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const POINT picture_point = {160, 120};
const COLORREF bare_colour = RGB(32, 96, 160);
const DWORD give_up_ms = 15000;

double now_ms() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The colour of bitmap 127 at the picture point, or the bare window's colour.
COLORREF expected_colour(const std::string& program) {
  HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return bare_colour;
  COLORREF colour = bare_colour;
  HBITMAP picture = static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(127), IMAGE_BITMAP, 0, 0, 0));
  if (picture != nullptr) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, picture);
    colour = GetPixel(memory, picture_point.x, picture_point.y);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    DeleteObject(picture);
  }
  FreeLibrary(module);
  return colour;
}

struct window_search {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM parameter) {
  window_search* search = reinterpret_cast<window_search*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->process_id && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

bool close_enough(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= 8 && std::abs(GetGValue(a) - GetGValue(b)) <= 8 &&
         std::abs(GetBValue(a) - GetBValue(b)) <= 8;
}

// Milliseconds from CreateProcess to the painted picture point; negative on failure.
double time_first_paint(const std::string& program, COLORREF expected) {
  std::string command_line = "\"" + program + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const double start = now_ms();
  if (!CreateProcessA(nullptr, &command_line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  double painted = -1;
  window_search search = {process.dwProcessId, nullptr};
  while (now_ms() - start < give_up_ms) {
    search.found = nullptr;
    EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) {
      POINT point = picture_point;
      ClientToScreen(search.found, &point);
      HDC screen = GetDC(nullptr);
      const COLORREF seen = GetPixel(screen, point.x, point.y);
      ReleaseDC(nullptr, screen);
      if (close_enough(seen, expected)) {
        painted = now_ms() - start;
        break;
      }
    }
    Sleep(1);
  }
  if (search.found != nullptr) PostMessageA(search.found, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  WaitForSingleObject(process.hProcess, 5000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return painted;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: startup_timer RUNS PROGRAM...\n");
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  std::vector<std::string> programs(argv + 2, argv + argc);
  std::vector<COLORREF> expected;
  for (const std::string& program : programs) {
    expected.push_back(expected_colour(program));
    std::printf("%-40s waits for #%02x%02x%02x at (%ld, %ld)\n",
                program.substr(program.find_last_of("\\/") + 1).c_str(), GetRValue(expected.back()),
                GetGValue(expected.back()), GetBValue(expected.back()), picture_point.x, picture_point.y);
  }
  std::vector<std::vector<double>> times(programs.size());

  // One warm-up start of each, so the first timed run pays no first-load costs.
  for (size_t p = 0; p < programs.size(); ++p) time_first_paint(programs[p], expected[p]);
  for (int run = 0; run < runs; ++run) {
    for (size_t i = 0; i < programs.size(); ++i) {
      const size_t p = run % 2 ? programs.size() - 1 - i : i;
      const double ms = time_first_paint(programs[p], expected[p]);
      if (ms < 0) {
        std::fprintf(stderr, "startup_timer: %s showed no painted window\n", programs[p].c_str());
        return 1;
      }
      times[p].push_back(ms);
    }
  }
  const double baseline = median(times.back());
  for (size_t p = 0; p < programs.size(); ++p) {
    std::printf("%-40s median %7.1f ms  min %7.1f ms  max %7.1f ms  ratio %.2f  (%d runs)\n",
                programs[p].substr(programs[p].find_last_of("\\/") + 1).c_str(), median(times[p]),
                *std::min_element(times[p].begin(), times[p].end()),
                *std::max_element(times[p].begin(), times[p].end()), median(times[p]) / baseline, runs);
  }
  return 0;
}
