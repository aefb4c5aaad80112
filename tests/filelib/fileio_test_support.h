// Shared helpers for the file library's tests: a fresh directory per test, byte-exact file
// access, and hooks (linked in with --wrap) that observe debug_message and make chosen
// pooled allocations fail.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "filelib/fileio.h"

#ifdef _WIN32
constexpr char sep = '\\';
#else
constexpr char sep = '/';
#endif

// A debug_message call: tag and formatted text.
using debug_record = std::pair<std::string, std::string>;

// Every debug_message call since the program started, formatted.
std::vector<debug_record>& debug_records();

// The next pool_alloc of exactly this many bytes returns null once.
void fail_next_pool_alloc_of(std::uint32_t size);

std::string current_directory();
void set_current_directory(const std::string& path);
void make_directory(const std::string& path);
void write_bytes(const std::string& path, const std::string& bytes);
std::string read_bytes(const std::string& path);
// True when no stream of this process holds the file any more (Windows refuses to delete
// an open file; elsewhere the process's open descriptors are checked).
bool file_is_closed(const std::string& path);

// Items of a list, front first.
std::vector<void*> list_items(const list_node* head);

// Starts the library in a fresh directory of its own and tidies up afterwards.
class fileio_test : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // base + sep + name
  std::string in_base(const std::string& name) const;

  std::string base;  // the test's own directory, without a trailing separator
  std::string start_directory;
};

// As fileio_test, with an absolute handle on the test's directory.
class fileio_dir_test : public fileio_test {
 protected:
  void SetUp() override {
    fileio_test::SetUp();
    dir = pfdir_new(base.c_str(), nullptr);
    ASSERT_NE(dir, nullptr);
  }
  pf_dir* dir = nullptr;
};
