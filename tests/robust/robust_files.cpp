#include "robust_files.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

void remove_tree(const std::string& path) {
  nftw(path.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

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

void put_u32(std::string* bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<char>(value >> (8 * i));
}

std::string archive_bytes(const std::vector<archive_member>& members) {
  const std::size_t header_length = 28 + 24 * members.size();
  std::string bytes(header_length, '\0');
  std::memcpy(&bytes[0], "FASTF101", 8);
  put_u32(&bytes, 8, static_cast<std::uint32_t>(header_length));
  put_u32(&bytes, 24, static_cast<std::uint32_t>(members.size()));
  for (std::size_t i = 0; i < members.size(); ++i) {
    const std::size_t record = 28 + 24 * i;
    std::memcpy(&bytes[record], members[i].name.data(), members[i].name.size());
    put_u32(&bytes, record + 12, static_cast<std::uint32_t>(bytes.size()));
    put_u32(&bytes, record + 16, static_cast<std::uint32_t>(members[i].body.size()));
    bytes += members[i].body + '\x1a';
  }
  return bytes;
}
