// Shared set-up for the archive reader tests: scratch directories, archives made with the
// writer the fastfile tool uses, and a fixture that starts the library once per process and
// leaves its settings as it found them.
#pragma once

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filelib/fastfile.h"
#include "filelib/fastfile_format.h"
#include "filelib/fileio.h"

inline const char separator = static_cast<char>(std::filesystem::path::preferred_separator);

// An empty directory under the test's working directory; the path ends in the separator.
inline std::string fresh_directory(const std::string& label) {
  std::filesystem::path path = std::filesystem::current_path() / "fastfile_scratch" / label;
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
  std::filesystem::create_directories(path);
  return path.string() + separator;
}

inline void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string read_file(const std::string& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

inline void put_u32(std::string* bytes, std::uint32_t offset, std::uint32_t value) {
  fastfile_put_u32(reinterpret_cast<unsigned char*>(&(*bytes)[offset]), value);
}

// Overwrites four bytes of a file with a little-endian number.
inline void patch_u32(const std::string& path, std::uint32_t offset, std::uint32_t value) {
  std::string bytes = read_file(path);
  ASSERT_LE(offset + 4u, bytes.size()) << path;
  put_u32(&bytes, offset, value);
  write_file(path, bytes);
}

struct member_spec {
  std::string name;
  std::string data;
};

// Records in the given order; records before first_entry are written but not searched.
inline void write_archive(const std::string& path, const std::vector<member_spec>& members,
                          int first_entry = 0) {
  std::vector<fastfile_member> layout(members.size());
  for (std::size_t i = 0; i < members.size(); ++i) {
    std::memset(layout[i].name, 0, sizeof layout[i].name);
    std::memcpy(layout[i].name, members[i].name.data(), members[i].name.size());
    layout[i].size = std::uint32_t(members[i].data.size());
  }
  std::uint32_t header_length = 0;
  const int count = int(members.size());
  ASSERT_TRUE(fastfile_plan_layout(layout.data(), count, first_entry, &header_length));
  std::FILE* stream = std::fopen(path.c_str(), "wb");
  ASSERT_NE(stream, nullptr) << path;
  EXPECT_TRUE(fastfile_write_header(stream, layout.data(), count, first_entry, header_length));
  for (const member_spec& member : members)
    EXPECT_TRUE(fastfile_write_member_bytes(stream, member.data.data(), std::uint32_t(member.data.size())));
  std::fclose(stream);
}

inline std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

inline int cached_headers() {
  int count = 0;
  if (pff_cache != nullptr)
    for (list_node* node = pff_cache->next; node != pff_cache; node = node->next) ++count;
  return count;
}

// Every byte the stream gives until its end; closes the stream.
inline std::string rest_of(std::FILE* stream) {
  std::string bytes;
  for (int c; (c = std::fgetc(stream)) != EOF;) bytes.push_back(static_cast<char>(c));
  std::fclose(stream);
  return bytes;
}

// Lines as pfgets returns them, until it reports the end; closes the file.
inline std::vector<std::string> lines_of(pf_file* file) {
  std::vector<std::string> lines;
  char buffer[128];
  while (pfgets(file, buffer, sizeof buffer)) lines.push_back(buffer);
  pfclose(file);
  return lines;
}

class ArchiveTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int started = fileio_init();
    (void)started;
  }

  void TearDown() override {
    for (pf_dir* dir : dirs) pfdir_close(dir);
    fileio_options = saved_options;
    std::memset(pff_archive_name, 0, sizeof pff_archive_name);
  }

  pf_dir* open_dir(const std::string& path) {
    pf_dir* dir = pfdir_new(path.c_str(), nullptr);
    EXPECT_NE(dir, nullptr) << path;
    if (dir != nullptr) dirs.push_back(dir);
    return dir;
  }

  // Looks a file up through pffind directly, as pffopen does for an absolute handle.
  const pff_entry* find(pf_file* file, const std::string& directory, const std::string& name) {
    std::vector<char> path(directory.begin(), directory.end());
    path.insert(path.end(), name.begin(), name.end());
    path.push_back('\0');
    *file = pf_file{};
    const pff_entry* entry = pffind(file, directory.size(), path.data(), "rb");
    last_path = path.data();
    return entry;
  }

  std::string last_path;

 private:
  std::vector<pf_dir*> dirs;
  std::uint32_t saved_options = fileio_options;
};
