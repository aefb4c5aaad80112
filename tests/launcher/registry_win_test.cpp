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
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LONG result = RegSetValueExA(handle, value_name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

bool set_text(const lookup& l, const std::string& text) {
  return set_value(l.key_path, l.value_name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
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

TEST_F(registry_lookup, missing_key_or_value_is_not_found_and_leaves_output_empty) {
  for (const lookup& l : lookups) {
    EXPECT_EQ(read(l, 0), "") << l.label << ": no key";
    // The key exists but holds only some other value.
    ASSERT_TRUE(set_value(l.key_path, "Other", REG_SZ, "C:\\Games", 9));
    EXPECT_EQ(read(l, 0), "") << l.label << ": no value";
  }
}

TEST_F(registry_lookup, reads_the_text_as_stored) {
  for (const lookup& l : lookups) {
    ASSERT_TRUE(set_text(l, "C:\\Program Files\\Korv Games\\Korvamund"));
    EXPECT_EQ(read(l, 1), "C:\\Program Files\\Korv Games\\Korvamund") << l.label;
  }
}

TEST_F(registry_lookup, blank_and_empty_values_are_found_but_not_usable) {
  for (const lookup& l : lookups) {
    ASSERT_TRUE(set_text(l, " "));
    std::string blank = read(l, 1);
    EXPECT_EQ(blank, " ") << l.label;
    EXPECT_FALSE(usable_install_dir(blank.c_str()));

    ASSERT_TRUE(set_text(l, ""));
    std::string empty = read(l, 1);
    EXPECT_EQ(empty, "") << l.label;
    EXPECT_FALSE(usable_install_dir(empty.c_str()));
  }
}

TEST_F(registry_lookup, usable_install_dir_accepts_any_other_text) {
  EXPECT_TRUE(usable_install_dir("C:\\Games\\Korvamund"));
  EXPECT_TRUE(usable_install_dir("  "));   // two blanks are not the single blank
  EXPECT_TRUE(usable_install_dir(" x"));
  EXPECT_TRUE(usable_install_dir("x"));
  EXPECT_FALSE(usable_install_dir(" "));
  EXPECT_FALSE(usable_install_dir(""));
}

TEST_F(registry_lookup, a_value_of_127_characters_is_read_whole) {
  std::string longest(127, 'k');
  longest[0] = 'C';
  longest[126] = 'z';
  for (const lookup& l : lookups) {
    ASSERT_TRUE(set_text(l, longest));
    EXPECT_EQ(read(l, 1), longest) << l.label;
    // The same 127 bytes stored without a terminator still fit, with one added.
    ASSERT_TRUE(set_value(l.key_path, l.value_name, REG_SZ, longest.data(), 127));
    EXPECT_EQ(read(l, 1), longest) << l.label << ": unterminated";
  }
}

TEST_F(registry_lookup, values_that_do_not_fit_are_not_found) {
  for (const lookup& l : lookups) {
    for (size_t length : {size_t{128}, size_t{129}, size_t{300}}) {
      ASSERT_TRUE(set_text(l, std::string(length, 'a')));
      EXPECT_EQ(read(l, 0), "") << l.label << ": " << length << " characters";
    }
    // 128 bytes without a terminator fill the look-up's buffer exactly.
    std::string full(128, 'b');
    ASSERT_TRUE(set_value(l.key_path, l.value_name, REG_SZ, full.data(), 128));
    EXPECT_EQ(read(l, 0), "") << l.label << ": 128 bytes, unterminated";
  }
}

TEST_F(registry_lookup, values_that_are_not_strings_are_not_found) {
  for (const lookup& l : lookups) {
    DWORD number = 0x00003a43;  // "C:" in its bytes, which must not pass for text
    ASSERT_TRUE(set_value(l.key_path, l.value_name, REG_DWORD, &number, sizeof number));
    EXPECT_EQ(read(l, 0), "") << l.label << ": REG_DWORD";
    ASSERT_TRUE(set_value(l.key_path, l.value_name, REG_BINARY, "C:\\Games", 9));
    EXPECT_EQ(read(l, 0), "") << l.label << ": REG_BINARY";
  }
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
  ASSERT_TRUE(set_text(lookups[0], "C:\\Games\\Korvamund"));
  EXPECT_EQ(read(lookups[1], 0), "");
  ASSERT_TRUE(set_text(lookups[1], "C:\\Games\\Korvamund\\uninstall.exe"));
  EXPECT_EQ(read(lookups[0], 1), "C:\\Games\\Korvamund");
  EXPECT_EQ(read(lookups[1], 1), "C:\\Games\\Korvamund\\uninstall.exe");
}

}  // namespace
