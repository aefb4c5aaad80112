#include "fileio_test_support.h"

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <direct.h>
#include <process.h>
#define test_getcwd _getcwd
#define test_chdir _chdir  // also sets the drive's own current directory
#define test_getpid _getpid
#else
#include <unistd.h>
#define test_getcwd getcwd
#define test_chdir chdir
#define test_getpid getpid
#endif

namespace fs = std::filesystem;

std::vector<debug_record>& debug_records() {
  static std::vector<debug_record> records;
  return records;
}

static std::uint32_t failing_size = 0;

void fail_next_pool_alloc_of(std::uint32_t size) {
  failing_size = size;
}

// The test programs link with --wrap for the mangled names of debug_message and pool_alloc.
extern "C" void* __real__Z10pool_allocj(std::uint32_t size);

extern "C" void* __wrap__Z10pool_allocj(std::uint32_t size) {
  if (failing_size != 0 && size == failing_size) {
    failing_size = 0;
    return nullptr;
  }
  return __real__Z10pool_allocj(size);
}

extern "C" void __wrap__Z13debug_messagePKcS0_z(const char* tag, const char* format, ...) {
  char text[1024];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  debug_records().emplace_back(tag ? tag : "", text);
}

std::string current_directory() {
  char buffer[4096];
  return test_getcwd(buffer, sizeof buffer) ? buffer : "";
}

void set_current_directory(const std::string& path) {
  ASSERT_EQ(test_chdir(path.c_str()), 0) << path;
}

void make_directory(const std::string& path) {
  std::error_code error;
  fs::create_directories(fs::path(path), error);
  ASSERT_FALSE(error) << path << ": " << error.message();
}

void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool file_is_closed(const std::string& path) {
  std::error_code error;
#ifdef _WIN32
  return fs::remove(fs::path(path), error) && !error;
#else
  const fs::path wanted = fs::canonical(path, error);
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    std::error_code link_error;
    if (fs::read_symlink(entry.path(), link_error) == wanted) return false;
  }
  return true;
#endif
}

std::vector<void*> list_items(const list_node* head) {
  std::vector<void*> items;
  for (const list_node* node = head->next; node != head; node = node->next) items.push_back(node->item);
  return items;
}

void fileio_test::SetUp() {
  start_directory = current_directory();
  std::string temp = fs::temp_directory_path().string();
  while (temp.size() > 1 && (temp.back() == '\\' || temp.back() == '/')) temp.pop_back();
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  base = temp + sep + "fileio_" + test->name() + "_" + std::to_string(test_getpid());
  std::error_code error;
  fs::remove_all(fs::path(base), error);
  make_directory(base);
  ASSERT_EQ(fileio_init(), 1);
}

void fileio_test::TearDown() {
  if (fileio_paths) fileio_tidyup();
  set_current_directory(start_directory);
  std::error_code error;
  fs::remove_all(fs::path(base), error);
}

std::string fileio_test::in_base(const std::string& name) const {
  return base + sep + name;
}
