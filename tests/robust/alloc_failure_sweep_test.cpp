// Allocation-failure sweeps: each scenario runs again and again in a child process, with
// the 1st, 2nd, ... request refused (once, or from there on), until a run sees no
// refusal. Every run must end in one of the outcomes the library promises: the scenario
// completes with right results (a none result only after a refusal, and never a wrong
// one), or the fatal stop ends the process with one of its out-of-memory messages and
// exit code 0. A crash, a sanitizer or LeakSanitizer report, or a wrong result fails.
// Requests are counted at two layers: the C library's malloc (which the pooled allocator
// asks for chunks and large blocks) and the pooled allocator itself.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "alloc_refusal.h"
#include "driver_file.h"
#include "driver_table.h"
#include "filelib/fileio.h"
#include "fog_setting.h"
#include "robust_files.h"

namespace {

// ---- inside the child ---------------------------------------------------------------

[[noreturn]] void wrong(const char* what) {
  std::fprintf(stderr, "wrong result: %s (%ld requests seen, %ld refused)\n", what, requests_seen(),
               requests_refused());
  std::fflush(stderr);
  _exit(3);
}

#define EXPECT_IN_CHILD(condition)       \
  do {                                   \
    if (!(condition)) wrong(#condition); \
  } while (0)

// A none result is an answer the library may give only once memory has been refused.
bool none_allowed() {
  return requests_refused() > 0;
}

void expect_lines(pf_file* file, const std::vector<std::string>& lines) {
  if (file == nullptr) {
    EXPECT_IN_CHILD(none_allowed());
    return;
  }
  char line[128];
  for (const std::string& expected : lines) {
    EXPECT_IN_CHILD(pfgets(file, line, sizeof line) == 1);
    EXPECT_IN_CHILD(expected == line);
  }
  EXPECT_IN_CHILD(pfgets(file, line, sizeof line) == 0);
  EXPECT_IN_CHILD(pfclose(file) == 1);
}

// An archive holding one member among `records`, so that a large table makes the header
// image larger than a pooled block and its memory comes from malloc directly.
std::string archive_with(const std::string& name, const std::string& body, int records) {
  std::vector<archive_member> members;
  for (int i = 1; i < records; ++i) members.push_back({"FILLER" + std::to_string(i), ""});
  members.push_back({name, body});
  return archive_bytes(members);
}

// The folder every child works in, made by the parent.
std::string scenario_folder;

// The files every run starts from; runs rewrite some of them.
void reset_folder_files() {
  write_bytes(scenario_folder + "/loose.txt", "alpha\r\nbeta\n");
  write_bytes(scenario_folder + "/FASTFILE.DAT", archive_with("MEMBER.TXT", "from the archive\r\n", 100));
  write_bytes(scenario_folder + "/sub/FASTFILE.DAT", archive_with("INNER.TXT", "inner\r\n", 3));
  write_bytes(scenario_folder + "/mdrivers.dat", "NUM_DRIVERS 2\r\nGLIDE PRESENT 0\r\nMMX PRESENT 0\r\n");
  write_bytes(scenario_folder + "/korvexe.dat", "RAMP\r\nkorv.exe -arr\r\n");
  write_bytes(scenario_folder + "/frontend.dat", "FOG\r\n");
}

// Start the library, make handles, open loose and archived files, read their lines,
// write a file, leave one open, tidy up.
void file_library_scenario() {
  const std::string& base = scenario_folder;
  EXPECT_IN_CHILD(fileio_init() == 1);
  pf_dir* dir = pfdir_new(base.c_str(), nullptr);
  pf_path* parent = pfpath_new(base.c_str(), nullptr);
  pf_dir* sub = pfdir_new("sub", parent);
  EXPECT_IN_CHILD(dir != nullptr || none_allowed());
  EXPECT_IN_CHILD(parent != nullptr || none_allowed());
  EXPECT_IN_CHILD(sub != nullptr || none_allowed());
  if (dir != nullptr) EXPECT_IN_CHILD(base + "/" == dir->path && dir->search == nullptr);
  if (parent != nullptr) EXPECT_IN_CHILD(base + "/" == parent->path);
  if (sub != nullptr) {
    EXPECT_IN_CHILD(std::string("sub/") == sub->path);
    EXPECT_IN_CHILD(sub->search != nullptr && sub->search->next->item == parent);
  }

  expect_lines(pfopen(dir, "loose.txt", "rb"), {"alpha", "beta"});
  expect_lines(pfopen(dir, "member.txt", "rb"), {"from the archive"});
  expect_lines(pfopen(sub, "inner.txt", "rb"), {"inner"});
  expect_lines(pfopen(sub, "../loose.txt", "rb"), {"alpha", "beta"});
  EXPECT_IN_CHILD(pfexists(dir, "missing.txt") == 0);
  const int exists = pfexists(dir, "MEMBER.TXT");
  EXPECT_IN_CHILD(exists == 1 || none_allowed());

  if (pf_file* out = pfopen(dir, "written.txt", "wb")) {
    EXPECT_IN_CHILD(pfputs(out, "NOFOG") == 1);
    EXPECT_IN_CHILD(pfclose(out) == 1);
    EXPECT_IN_CHILD(read_bytes(base + "/written.txt") == "NOFOG\r\n");
  } else {
    EXPECT_IN_CHILD(none_allowed());
  }
  pf_file* left_open = pfopen(dir, "loose.txt", "rb");
  EXPECT_IN_CHILD(left_open != nullptr || none_allowed());
  pfdir_close(sub);
  pfdir_close(dir);
  fileio_tidyup();
  EXPECT_IN_CHILD(fileio_paths == nullptr && fileio_dirs == nullptr && fileio_files == nullptr);
}

// Many files open at once, so the pool needs several chunks from malloc; tidy-up closes
// those still open.
void many_open_files_scenario() {
  const std::string& base = scenario_folder;
  EXPECT_IN_CHILD(fileio_init() == 1);
  pf_dir* dir = pfdir_new(base.c_str(), nullptr);
  EXPECT_IN_CHILD(dir != nullptr || none_allowed());
  std::vector<pf_file*> files;
  for (int i = 0; i < 120; ++i) {
    pf_file* file = pfopen(dir, i % 2 ? "loose.txt" : "member.txt", "rb");
    EXPECT_IN_CHILD(file != nullptr || none_allowed());
    char line[64];
    if (file != nullptr) {
      EXPECT_IN_CHILD(pfgets(file, line, sizeof line) == 1);
      EXPECT_IN_CHILD(std::string(i % 2 ? "alpha" : "from the archive") == line);
      files.push_back(file);
    }
  }
  for (std::size_t i = 0; i < files.size(); i += 2) EXPECT_IN_CHILD(pfclose(files[i]) == 1);
  pfdir_close(dir);
  fileio_tidyup();
}

// The menu's settings: the silent driver choice written over an existing "korvexe.dat",
// and the fog setting loaded and stored. Each setting file ends up either as it was or
// as the complete new text, never emptied or half written.
void settings_scenario() {
  const std::string& base = scenario_folder;
  const std::string old_choice = "RAMP\r\nkorv.exe -arr\r\n";
  EXPECT_IN_CHILD(fileio_init() == 1);
  pf_dir* dir = pfdir_new(base.c_str(), nullptr);
  EXPECT_IN_CHILD(dir != nullptr || none_allowed());

  DriverChoice choice{};
  if (prepare_driver_choice(dir, 0, &choice)) {
    EXPECT_IN_CHILD(choice.count == 2 && choice.selection == 0);
    EXPECT_IN_CHILD(std::string("GLIDE") == choice.entries[0]->key);
    const int written = write_driver_file(dir, choice.entries[choice.selection]);
    release_driver_choice(&choice);
    const std::string now = read_bytes(base + "/korvexe.dat");
    EXPECT_IN_CHILD(written == 0 || now == "GLIDE\r\nkorv3dfx.exe -ar3\r\n");
    EXPECT_IN_CHILD(written == 1 || now == old_choice);
  } else {
    EXPECT_IN_CHILD(none_allowed());
  }

  int nofog = 0;
  load_fog_setting(base.c_str(), &nofog);
  EXPECT_IN_CHILD(nofog == 0);
  const int stored = store_fog_setting(base.c_str(), 1);
  const std::string fog = read_bytes(base + "/frontend.dat");
  EXPECT_IN_CHILD(stored == 1 || none_allowed());
  EXPECT_IN_CHILD(stored == 0 || fog == "NOFOG\r\n");
  EXPECT_IN_CHILD(stored == 1 || fog == "FOG\r\n");
  pfdir_close(dir);
  fileio_tidyup();
}

// ---- in the parent --------------------------------------------------------------------

struct run_outcome {
  bool completed = false;  // the scenario ran to its end
  long refused = 0;        // requests refused in a completed run
  bool stopped = false;    // the fatal stop ended it
  std::string failure;     // why the run is not acceptable; empty when it is
};

run_outcome run_child(const std::function<void()>& scenario, refused_layer layer, long first,
                      bool persistent) {
  const std::string out_path = scenario_folder + "/child.out";
  const std::string err_path = scenario_folder + "/child.err";
  reset_folder_files();
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(err, 2);
    alarm(30);
    refuse_requests(layer, first, persistent);
    scenario();
    std::printf("completed %ld\n", requests_refused());
    std::fflush(stdout);
    std::exit(0);  // exit, not _exit: LeakSanitizer checks on the way out
  }
  run_outcome outcome;
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) {
    outcome.failure = "the child could not be run";
    return outcome;
  }
  const std::string out = read_bytes(out_path);
  const std::string err = read_bytes(err_path);
  if (WIFSIGNALED(status)) {
    outcome.failure = "crashed with signal " + std::to_string(WTERMSIG(status)) + ": " + err;
  } else if (WEXITSTATUS(status) != 0) {
    outcome.failure = "exit code " + std::to_string(WEXITSTATUS(status)) + ": " + err;
  } else if (out.rfind("completed ", 0) == 0) {
    outcome.completed = true;
    outcome.refused = std::atol(out.c_str() + 10);
    if (!err.empty()) outcome.failure = "completed with a report: " + err;
  } else if (out.empty() && (err == "pfopen(): out of memory\n" || err == "pffopen(): out of memory\n" ||
                             err == "pffopen_header(): out of memory\n")) {
    outcome.stopped = true;
  } else {
    outcome.failure = "ended without completing or a known stop: out '" + out + "' err '" + err + "'";
  }
  return outcome;
}

struct sweep_result {
  std::set<std::string> faults;
  long runs = 0;
  long stops = 0;
  long completed_after_refusal = 0;
};

// Refuses request 1, 2, ... until a run sees no refusal at all.
sweep_result sweep(const std::function<void()>& scenario, refused_layer layer, bool persistent) {
  sweep_result result;
  for (long first = 1; first < 10000; ++first) {
    const run_outcome outcome = run_child(scenario, layer, first, persistent);
    ++result.runs;
    // Each different fault is reported once; the sweep goes on past it.
    if (!outcome.failure.empty() && result.faults.insert(outcome.failure).second) {
      ADD_FAILURE() << "refusing request " << first << (persistent ? " and every later one" : " alone")
                    << ": " << outcome.failure;
    }
    result.stops += outcome.stopped;
    if (outcome.completed && outcome.refused == 0) return result;
    result.completed_after_refusal += outcome.completed;
  }
  ADD_FAILURE() << "the sweep did not end";
  return result;
}

class allocation_failure_sweep : public ::testing::Test {
 protected:
  void SetUp() override {
    scenario_folder = make_scratch_dir();
    make_dir(scenario_folder + "/sub");
  }
  void TearDown() override { remove_tree(scenario_folder); }

  void sweep_all(const std::function<void()>& scenario) {
    for (refused_layer layer : {refused_layer::c_library, refused_layer::pool}) {
      for (bool persistent : {false, true}) {
        const sweep_result result = sweep(scenario, layer, persistent);
        const char* layer_name = layer == refused_layer::pool ? "pool_alloc" : "malloc";
        std::printf("[ sweep    ] %s %s: %ld runs, %ld stopped, %ld completed after a refusal\n", layer_name,
                    persistent ? "from the Nth on" : "the Nth only", result.runs, result.stops,
                    result.completed_after_refusal);
        EXPECT_GT(result.runs, 1) << layer_name << ": the scenario made no request to refuse";
      }
    }
  }
};

TEST_F(allocation_failure_sweep, file_library_ends_cleanly_whichever_request_is_refused) {
  sweep_all(file_library_scenario);
}

TEST_F(allocation_failure_sweep, many_open_files_end_cleanly_whichever_request_is_refused) {
  sweep_all(many_open_files_scenario);
}

TEST_F(allocation_failure_sweep, settings_are_kept_or_replaced_whole_whichever_request_is_refused) {
  sweep_all(settings_scenario);
}

}  // namespace
