#include "fog_setting.h"

#include "filelib/fileio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

int list_length(const list_node* head) {
  int length = 0;
  for (const list_node* node = head->next; node != head; node = node->next) ++length;
  return length;
}

class FogSetting : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { fileio_init(); }

  void SetUp() override {
    fs::create_directories(dir_);
    open_dirs_ = list_length(fileio_dirs);
  }

  void TearDown() override {
    // Every call gives back its directory handle and its file on every path.
    EXPECT_EQ(list_length(fileio_dirs), open_dirs_);
    EXPECT_EQ(list_length(fileio_files), 0);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  std::string read() {
    std::ifstream in(dir_ / "frontend.dat", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  int loaded(int before) {
    int nofog = before;
    load_fog_setting(dir_.string().c_str(), &nofog);
    return nofog;
  }

  const fs::path dir_ =
      fs::temp_directory_path() /
      ("korv_fog_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  int open_dirs_ = 0;
};

TEST_F(FogSetting, OnlyAFirstLineOfNofogInAnyCaseTurnsTheWorkAroundOn) {
  struct {
    const char* content;  // nullptr: no file
    int turns_on;         // otherwise the flag stays as it was
  } cases[] = {
      {"NOFOG\r\n", 1},     {"nofog", 1},  {"NoFog\n", 1}, {"NOFOG\rFOG\r\n", 1}, {"FOG\r\n", 0},
      {"\r\nNOFOG\r\n", 0}, {"NOFOGX", 0}, {" NOFOG", 0},  {"NOFO", 0},           {nullptr, 0},
  };
  for (const auto& c : cases) {
    fs::remove(dir_ / "frontend.dat");
    if (c.content) std::ofstream(dir_ / "frontend.dat", std::ios::binary) << c.content;
    EXPECT_EQ(loaded(0), c.turns_on) << (c.content ? c.content : "<no file>");
    EXPECT_EQ(loaded(1), 1) << (c.content ? c.content : "<no file>");
  }
}

TEST_F(FogSetting, StoresExactlyOneCrLfLine) {
  std::ofstream(dir_ / "frontend.dat", std::ios::binary)
      << "NOFOG\r\nsomething longer that must not survive\r\n";
  EXPECT_EQ(store_fog_setting(dir_.string().c_str(), 0), 1);
  EXPECT_EQ(read(), "FOG\r\n");
  EXPECT_EQ(store_fog_setting(dir_.string().c_str(), 1), 1);
  EXPECT_EQ(read(), "NOFOG\r\n");
  // Only the value 1 means the work-around is on.
  EXPECT_EQ(store_fog_setting(dir_.string().c_str(), 2), 1);
  EXPECT_EQ(read(), "FOG\r\n");
}

}  // namespace
