// The menu in each language it speaks; CTest runs each row in a process started in its locale.
#include "harness.h"

namespace {

using row = std::pair<const char*, LANGID>;  // a language, and its resources' LANGID
const row languages[] = {{"en", 0x0409}, {"fr", 0x000C}, {"de", 0x0007}, {"it", 0x0010}, {"es", 0x000A}};

// A string of the menu program in exactly this language, in UTF-8, which it must have.
std::string menu_string(HMODULE exe, UINT id, LANGID language) {
  HRSRC block = FindResourceExA(exe, RT_STRING, MAKEINTRESOURCEA(id / 16 + 1), language);
  const WCHAR* text = block ? static_cast<const WCHAR*>(LockResource(LoadResource(exe, block))) : nullptr;
  for (UINT i = 0; text && i < id % 16; ++i) text += *text + 1;  // each string: its length, its characters
  char utf8[1024] = {};
  if (!text || !WideCharToMultiByte(CP_UTF8, 0, text + 1, *text, utf8, sizeof utf8 - 1, nullptr, nullptr))
    ADD_FAILURE() << "no string " << id;
  return utf8;
}

class language_test : public e2e_test, public ::testing::WithParamInterface<row> {};

TEST_P(language_test, labels_error_box_and_dialog_are_the_players_language) {
  ASSERT_EQ(PRIMARYLANGID(GetUserDefaultUILanguage()), PRIMARYLANGID(GetParam().second));
  HMODULE exe = LoadLibraryExA(join_path(cd_dir, "startup.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  auto text = [&](UINT id) { return menu_string(exe, id, GetParam().second); };
  ASSERT_TRUE(set_registry_raw(uninstall_key, "UninstallString", REG_SZ, "C:\\missing.exe", 15));
  menu_process& menu = start(scratch_dir);
  const UINT labels[][2] = {{8009, 13}, {8002, 14}, {8008, 37}, {8001, 15},
                            {8004, 16}, {8006, 17}, {8010, 38}, {8005, 20}};
  for (auto [id, label] : labels) EXPECT_EQ(window_text(GetDlgItem(menu.window, id)), text(label));
  click(menu, 8006);  // the uninstaller cannot be started: the box, and the menu stays
  expect_error_box(menu, text(24).c_str());
  click(menu, 8010);
  EXPECT_TRUE(wait_for_dialog(menu.info.dwProcessId, text(38).c_str()));  // titled as its button
  FreeLibrary(exe);
}

INSTANTIATE_TEST_SUITE_P(languages, language_test, ::testing::ValuesIn(languages),
                         [](const auto& info) { return std::string(info.param.first); });

}  // namespace
