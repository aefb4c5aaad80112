// The registry look-ups against real keys that each test creates and deletes.
#include "install_dir.h"
#include "launcher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char* const app_paths_key = "SOFTWARE\\MICROSOFT\\Windows\\CurrentVersion\\App Paths\\korv.exe";
const char* const uninstall_key = "SOFTWARE\\MICROSOFT\\Windows\\CurrentVersion\\Uninstall\\Korvamund";

// Both look-ups share one contract; every case runs against each of them.
struct lookup {
  const char* label;
  int (*read)(const char* key_name, const char* value_name, char* out);
  const char* key_path;
  const char* key_name;
  const char* value_name;
};

const lookup lookups[] = {
    {"read_app_path", read_app_path, app_paths_key, "korv.exe", "Path"},
    {"read_uninstall_string", read_uninstall_string, uninstall_key, "Korvamund", "UninstallString"},
};

bool set_value(const char* key, const char* value_name, DWORD type, const void* data, DWORD size) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  LONG result = RegSetValueExA(handle, value_name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

void delete_keys() {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, app_paths_key);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, uninstall_key);
}

// The output buffer as callers pass it (260 bytes), filled with a marker so that bytes the
// look-up leaves behind are visible.
struct output {
  char text[260];
};

output marked_output() {
  output out;
  std::memset(out.text, '#', sizeof out.text);
  return out;
}

class registry_lookup : public ::testing::Test {
 protected:
  void SetUp() override { delete_keys(); }
  void TearDown() override { delete_keys(); }

  // Runs the look-up; checks the result and that the output is terminated text.
  std::string read(const lookup& l, int expected_result) {
    output out = marked_output();
    EXPECT_EQ(l.read(l.key_name, l.value_name, out.text), expected_result) << l.label;
    const void* end = std::memchr(out.text, '\0', 128);
    EXPECT_NE(end, nullptr) << l.label << ": no terminator within the first 128 bytes";
    if (end == nullptr) return std::string();
    return std::string(out.text);
  }
};

// Every stored form of the value, against both look-ups: found (1) with its text, or not
// found (0) with the output left empty.
TEST_F(registry_lookup, reads_whole_text_values_and_refuses_everything_else) {
  const std::string longest = "C" + std::string(125, 'k') + "z";
  const DWORD number = 0x00003a43;  // "C:" in its bytes, which must not pass for text
  struct stored {
    const char* label;
    DWORD type;  // 0: no value (the key holds only another one)
    std::string bytes;
    int expected_result;
    std::string expected_text;
  };
  const stored cases[] = {
      {"text", REG_SZ, std::string("C:\\Program Files\\Korvamund", 27), 1, "C:\\Program Files\\Korvamund"},
      {"blank", REG_SZ, std::string(" ", 2), 1, " "},
      {"empty", REG_SZ, std::string(1, '\0'), 1, ""},
      {"127 characters", REG_SZ, longest + '\0', 1, longest},
      {"127 characters, unterminated", REG_SZ, longest, 1, longest},
      {"128 characters", REG_SZ, std::string(128, 'a') + '\0', 0, ""},
      {"300 characters", REG_SZ, std::string(300, 'a') + '\0', 0, ""},
      // 128 bytes without a terminator fill the look-up's buffer exactly.
      {"128 bytes, unterminated", REG_SZ, std::string(128, 'b'), 0, ""},
      {"REG_EXPAND_SZ, used as stored", REG_EXPAND_SZ, std::string("%GAMES%\\K", 11), 1, "%GAMES%\\K"},
      {"REG_DWORD", REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number), 0, ""},
      {"REG_BINARY", REG_BINARY, std::string("C:\\Games", 9), 0, ""},
      {"no value", 0, "", 0, ""},
  };
  for (const lookup& l : lookups) {
    EXPECT_EQ(read(l, 0), "") << l.label << ": no key";
    for (const stored& c : cases) {
      SCOPED_TRACE(std::string(l.label) + ", " + c.label);
      delete_keys();
      ASSERT_TRUE(c.type == 0 ? set_value(l.key_path, "Other", REG_SZ, "C:\\Games", 9)
                              : set_value(l.key_path, l.value_name, c.type, c.bytes.data(),
                                          static_cast<DWORD>(c.bytes.size())));
      EXPECT_EQ(read(l, c.expected_result), c.expected_text);
    }
  }
}

TEST_F(registry_lookup, usable_install_dir_refuses_only_a_single_blank_and_empty_text) {
  for (const char* usable : {"C:\\Games\\Korvamund", "  ", " x", "x"})
    EXPECT_TRUE(usable_install_dir(usable)) << usable;
  EXPECT_FALSE(usable_install_dir(" "));
  EXPECT_FALSE(usable_install_dir(""));
}

TEST_F(registry_lookup, an_overlong_key_name_is_not_found) {
  // The key name is copied into a 128-byte buffer; a longer one must not overrun it.
  std::string name(300, 'n');
  output out = marked_output();
  EXPECT_EQ(read_app_path(name.c_str(), "Path", out.text), 0);
  EXPECT_EQ(out.text[0], '\0');
  out = marked_output();
  EXPECT_EQ(read_uninstall_string(name.c_str(), "UninstallString", out.text), 0);
  EXPECT_EQ(out.text[0], '\0');
}

TEST_F(registry_lookup, each_lookup_reads_its_own_key) {
  const std::string path = "C:\\Games\\Korvamund";
  ASSERT_TRUE(set_value(app_paths_key, "Path", REG_SZ, path.c_str(), static_cast<DWORD>(path.size() + 1)));
  EXPECT_EQ(read(lookups[1], 0), "");
  EXPECT_EQ(read(lookups[0], 1), path);
}

}  // namespace
