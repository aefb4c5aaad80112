#include "robust_files.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

int remove_entry(const char* path, const struct stat*, int, struct FTW*) {
  std::remove(path);
  return 0;
}

}  // namespace

std::string make_scratch_dir() {
  static int made = 0;
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/korv-robust-" +
                           std::to_string(static_cast<long>(getpid())) + "-";
  for (int attempt = 0; attempt < 10000; ++attempt) {
    std::string candidate = base + std::to_string(made++);
    if (mkdir(candidate.c_str(), 0700) == 0) return candidate;
  }
  throw std::runtime_error("cannot make a scratch folder");
}

void remove_tree(const std::string& path) { nftw(path.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS); }

void make_dir(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0) throw std::runtime_error("cannot make " + path);
}

void write_bytes(const std::string& path, const std::string& bytes) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) throw std::runtime_error("cannot create " + path);
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  if (std::fclose(out) != 0 || !written) throw std::runtime_error("cannot write " + path);
}

std::string read_bytes(const std::string& path) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (in == nullptr) return "<missing>";
  std::string bytes;
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes.append(buffer, got);
  std::fclose(in);
  return bytes;
}
