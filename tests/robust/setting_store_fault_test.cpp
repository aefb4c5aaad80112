// The driver choice stored by a child process that is killed, or whose disk fills up, at
// each point of the store: the file then holds its old bytes or the whole new text; a
// failed store says why and leaves no temporary; what a killed store left stops no later one.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "driver_file.h"
#include "scratch.h"

namespace {

// Once armed in the child, the kill_at-th wrapped call is never made: SIGKILL comes first.
long calls = 0, kill_at = 0;
void count_call() {
  if (kill_at > 0 && ++calls == kill_at) raise(SIGKILL);
}

}  // namespace
// clang-format off
extern "C" {
int __real_fflush(FILE*), __real_fsync(int), __real_fclose(FILE*), __real_rename(const char*, const char*);
int __wrap_fflush(FILE* stream) { return count_call(), __real_fflush(stream); }
int __wrap_fsync(int descriptor) { return count_call(), __real_fsync(descriptor); }
int __wrap_fclose(FILE* stream) { return count_call(), __real_fclose(stream); }
int __wrap_rename(const char* from, const char* to) { return count_call(), __real_rename(from, to); }
}
// clang-format on

namespace {

namespace fs = std::filesystem;

const std::string old_choice = "RAMP\r\nkorv.exe -arr\r\n", new_choice = "GLIDE\r\nkorv3dfx.exe -ar3\r\n";

enum fault { kill_before_call, kill_at_byte, full_at_byte };

// The wait status of a child that stores the driver choice under the fault. It exits with 1
// when the store failed for lack of room (EFBIG), 2 when it failed for another reason.
int store_in_child(const std::string& folder, fault how, long n) {
  std::fflush(nullptr);  // the child must not write out what the parent still buffers
  const pid_t child = fork();
  if (child == 0) {
    const rlimit no_core{0, 0}, cap{static_cast<rlim_t>(n), static_cast<rlim_t>(n)};
    setrlimit(RLIMIT_CORE, &no_core);
    kill_at = how == kill_before_call ? n : 0;
    if (how != kill_before_call) setrlimit(RLIMIT_FSIZE, &cap);
    // Ignored, the signal of a write past the cap turns into the failing write of a full disk.
    if (how == full_at_byte) signal(SIGXFSZ, SIG_IGN);
    fileio_init();
    unsigned long error = 0;
    const int stored = write_driver_file(pfdir_new(folder.c_str(), nullptr), &g_driver_table[4], &error);
    std::exit(stored ? 0 : error == EFBIG ? 1 : 2);
  }
  int status = -1;
  return waitpid(child, &status, 0) == child ? status : -1;
}

TEST(setting_store, file_is_old_or_new_whatever_stops_the_store) {
  const std::string folder =
      (fs::temp_directory_path() / ("korv_store_" + std::to_string(getpid()))).string();
  const std::string file = folder + "/korvexe.dat";
  for (fault how : {kill_before_call, kill_at_byte, full_at_byte}) {
    SCOPED_TRACE("fault " + std::to_string(how));
    ASSERT_TRUE(remove_tree(folder) && make_directory(folder));
    long n = how == kill_before_call ? 1 : 0;
    // A temporary that a kill left stays for the next run, which must not mind it.
    for (int code = -1; code != 0 && n < 100; ++n) {
      ASSERT_TRUE(write_bytes(file, old_choice));
      const int status = store_in_child(folder, how, n);
      const std::string now = read_bytes(file);
      EXPECT_TRUE(now == old_choice || now == new_choice) << "after " << n << ": " << now;
      if (WIFSIGNALED(status)) {
        EXPECT_EQ(WTERMSIG(status), how == kill_before_call ? SIGKILL : how == kill_at_byte ? SIGXFSZ : 0);
        continue;
      }
      std::set<std::string> names;
      for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().string());
      EXPECT_EQ(names, std::set<std::string>{file}) << "a temporary was left at " << n;
      code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      EXPECT_EQ(code, how == full_at_byte && n < static_cast<long>(new_choice.size()) ? 1 : 0) << n;
      EXPECT_EQ(now, code == 0 ? new_choice : old_choice) << n;
    }
    if (how != kill_before_call)
      EXPECT_EQ(n - 1, static_cast<long>(new_choice.size())) << "a cap let it through";
    EXPECT_GT(n - 1, 1) << "no store was ever stopped";
  }
  remove_tree(folder);
}

}  // namespace
