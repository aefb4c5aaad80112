// A fixture for the launcher's file logic: a fresh scratch folder per test, and a check
// that each test gives back every directory handle and file it opened.
#pragma once

#include "filelib/fileio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class ScratchFolderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { fileio_init(); }

  void SetUp() override {
    std::filesystem::create_directories(folder_);
    open_dirs_ = list_length(fileio_dirs);
  }

  void TearDown() override {
    EXPECT_EQ(list_length(fileio_dirs), open_dirs_);
    EXPECT_EQ(list_length(fileio_files), 0);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  void write(const char* name, const std::string& bytes) {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }

  std::string read(const char* name) {
    std::ifstream in(folder_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  static int list_length(const list_node* head) {
    int length = 0;
    for (const list_node* node = head->next; node != head; node = node->next) ++length;
    return length;
  }

  const std::filesystem::path folder_ =
      std::filesystem::temp_directory_path() /
      ("korv_launcher_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  int open_dirs_ = 0;
};
