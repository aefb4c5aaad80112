#include "fuzz_scratch.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string scratch;

int remove_entry(const char* path, const struct stat*, int, struct FTW*) {
  std::remove(path);
  return 0;
}

void remove_scratch() {
  if (!scratch.empty()) nftw(scratch.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace

const std::string& fuzz_scratch_dir() {
  if (scratch.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    // Digits only after a lower-case stem: the archive reader upper-cases paths and then
    // matches them to the disk ignoring case, so the name must not differ from a
    // neighbour's by letter case alone.
    std::string base = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/korv-fuzz-" +
                       std::to_string(static_cast<long>(getpid()));
    for (int attempt = 0; scratch.empty(); ++attempt) {
      std::string candidate = base + "-" + std::to_string(attempt);
      if (mkdir(candidate.c_str(), 0700) == 0)
        scratch = candidate;
      else if (attempt > 1000)
        fuzz_fail("cannot make a scratch directory");
    }
    std::atexit(remove_scratch);
  }
  return scratch;
}

void fuzz_make_dir(const std::string& path) {
  struct stat info;
  if (mkdir(path.c_str(), 0700) != 0 && (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)))
    fuzz_fail("cannot make a scratch directory");
}

void fuzz_write_file(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) fuzz_fail("cannot create a scratch file");
  bool written = size == 0 || std::fwrite(data, 1, size, out) == size;
  if (std::fclose(out) != 0 || !written) fuzz_fail("cannot write a scratch file");
}

bool fuzz_read_file(const std::string& path, std::string* bytes) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (in == nullptr) return false;
  bytes->clear();
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes->append(buffer, got);
  std::fclose(in);
  return true;
}

void fuzz_fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}
