// Allocation-failure sweeps: one scenario runs again and again in a child process, with the
// 1st, 2nd, ... request refused (once, or from there on), until a run sees no refusal.
// Every run must end as the library promises: the scenario completes with right results (a
// none result only after a refusal), or the fatal stop ends the process with one of its
// out-of-memory messages and exit code 0. A crash, a sanitizer or LeakSanitizer report, or a
// wrong result fails. Requests are counted at the C library's malloc (the pooled
// allocator's chunks and large blocks) and at the pooled allocator itself.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "driver_file.h"
#include "fog_setting.h"
#include "scratch.h"
#include "seams.h"

namespace {

std::string folder;  // made by the parent; every child works in it

// Inside the child: a wrong result ends it with exit code 3 and the reason.
void check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "wrong result: %s\n", what);
  std::fflush(stderr);
  _exit(3);
}
#define CHECK(condition) check(condition, #condition)
#define NONE_ONLY_AFTER_REFUSAL(result) check((result) != nullptr || requests_refused() > 0, #result)

void expect_lines(pf_file* file, const std::vector<std::string>& lines) {
  NONE_ONLY_AFTER_REFUSAL(file);
  char line[128];
  for (const std::string& expected : lines)
    CHECK(!file || (pfgets(file, line, sizeof line) && expected == line));
  CHECK(!file || (pfgets(file, line, sizeof line) == 0 && pfclose(file) == 1));
}

// Handles, loose and archived files (one archive's header image above the pooled sizes),
// many files open at once so the pool needs several chunks, the settings written, one file
// left open for tidy-up. Each setting file ends up as it was or as the whole new text.
void scenario() {
  CHECK(fileio_init() == 1);
  pf_dir* dir = pfdir_new(folder.c_str(), nullptr);
  pf_path* parent = pfpath_new(folder.c_str(), nullptr);
  pf_dir* sub = pfdir_new("sub", parent);
  NONE_ONLY_AFTER_REFUSAL(dir);
  NONE_ONLY_AFTER_REFUSAL(sub);
  CHECK(!sub || (std::string("sub/") == sub->path && sub->search->next->item == parent));
  pf_file* files[40];
  for (int i = 0; i < 40; ++i) files[i] = pfopen(dir, i % 2 ? "loose.txt" : "member.txt", "rb");
  for (int i = 0; i < 40; ++i) expect_lines(files[i], {i % 2 ? "alpha" : "packed"});
  expect_lines(pfopen(sub, "inner.txt", "rb"), {"inner"});
  expect_lines(pfopen(sub, "../loose.txt", "rb"), {"alpha"});
  CHECK(pfexists(dir, "missing.txt") == 0);

  DriverChoice choice{};
  if (prepare_driver_choice(dir, 0, &choice)) {
    CHECK(choice.count == 2 && std::string("GLIDE") == choice.entries[choice.selection]->key);
    const int written = write_driver_file(dir, choice.entries[choice.selection]);
    release_driver_choice(&choice);
    CHECK(read_bytes(folder + "/korvexe.dat") ==
          (written ? "GLIDE\r\nkorv3dfx.exe -ar3\r\n" : "RAMP\r\nkorv.exe -arr\r\n"));
  }
  const int stored = store_fog_setting(folder.c_str(), 1);
  CHECK(stored == 1 || requests_refused() > 0);
  CHECK(read_bytes(folder + "/frontend.dat") == (stored ? "NOFOG\r\n" : "FOG\r\n"));
  pfopen(dir, "loose.txt", "rb");
  pfdir_close(sub);
  fileio_tidyup();
  CHECK(fileio_paths == nullptr && fileio_dirs == nullptr && fileio_files == nullptr);
}

// Runs the scenario in a child; "" when the run ended acceptably, else why not. *clean is
// set when it completed without a refusal.
std::string run_child(refused_layer layer, long first, bool persistent, bool* clean) {
  std::vector<archive_member> many(100, {"FILLER", ""});
  many.push_back({"MEMBER.TXT", "packed\r\n"});
  write_bytes(folder + "/loose.txt", "alpha\r\n");
  write_bytes(folder + "/FASTFILE.DAT", archive_bytes(many));
  write_bytes(folder + "/sub/FASTFILE.DAT", archive_bytes({{"INNER.TXT", "inner\r\n"}}));
  write_bytes(folder + "/mdrivers.dat", "NUM_DRIVERS 2\r\nGLIDE PRESENT 0\r\nMMX PRESENT 0\r\n");
  write_bytes(folder + "/korvexe.dat", "RAMP\r\nkorv.exe -arr\r\n");
  write_bytes(folder + "/frontend.dat", "FOG\r\n");
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    std::freopen((folder + "/out").c_str(), "w", stdout);
    std::freopen((folder + "/err").c_str(), "w", stderr);
    alarm(60);
    refuse_requests(layer, first, persistent);
    scenario();
    std::printf("completed %ld\n", requests_refused());
    std::exit(0);  // exit, not _exit: LeakSanitizer checks on the way out
  }
  int status = 0;
  waitpid(child, &status, 0);
  const std::string out = read_bytes(folder + "/out"), err = read_bytes(folder + "/err");
  *clean = out == "completed 0\n";
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return "ended with status " + std::to_string(status) + ": " + err;
  if (out.rfind("completed ", 0) == 0 && err.empty()) return "";
  const std::set<std::string> stops = {"pfopen(): out of memory\n", "pffopen(): out of memory\n"};
  return out.empty() && stops.count(err) ? ""
                                         : "neither completed nor a known stop: '" + out + "' '" + err + "'";
}

TEST(allocation_failure_sweep, the_library_and_the_settings_end_cleanly_whichever_request_is_refused) {
  folder = (std::filesystem::temp_directory_path() / ("korv sweep " + std::to_string(getpid()))).string();
  make_directory(folder + "/sub");
  for (refused_layer layer : {refused_layer::c_library, refused_layer::pool}) {
    for (bool persistent : {false, true}) {
      bool clean = false;
      long first = 1;
      for (std::string fault; !clean && fault.empty() && first < 10000; ++first) {
        fault = run_child(layer, first, persistent, &clean);
        if (!fault.empty())
          ADD_FAILURE() << "refusing request " << first << (persistent ? " and on" : " alone") << ": "
                        << fault;
      }
      EXPECT_TRUE(clean && first > 2) << "the sweep never ran clean, or refused nothing";
      std::printf("[ sweep    ] %s, refused %s: %ld runs\n", layer == refused_layer::pool ? "pool" : "malloc",
                  persistent ? "from the Nth on" : "the Nth alone", first - 1);
    }
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
