// The menu in each language it speaks. A process's display language is fixed when it starts,
// so CTest runs each row in a process of its own, started under that language's locale.
#include "harness.h"

namespace {

struct language_row {
  const char* name;
  LANGID language;     // in the menu's resources
  const char* readme;  // named by Graphics Troubleshooting's check box
};
const language_row languages[] = {{"en", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), "Readme.txt"},
                                  {"fr", MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL), "Lisezmoi.txt"},
                                  {"de", MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL), "Liesmich.txt"},
                                  {"it", MAKELANGID(LANG_ITALIAN, SUBLANG_NEUTRAL), "Leggimi.txt"},
                                  {"es", MAKELANGID(LANG_SPANISH, SUBLANG_NEUTRAL), "Leeme.txt"}};

// A string of the menu program in exactly this language, in UTF-8; "" when it has none.
std::string menu_string(HMODULE exe, UINT id, LANGID language) {
  HRSRC block =
      FindResourceExA(exe, MAKEINTRESOURCEA(6) /* RT_STRING */, MAKEINTRESOURCEA(id / 16 + 1), language);
  const WCHAR* text = block ? static_cast<const WCHAR*>(LockResource(LoadResource(exe, block))) : nullptr;
  for (UINT i = 0; text && i < id % 16; ++i) text += *text + 1;  // each string: its length, its characters
  char utf8[1024] = {};
  if (text) WideCharToMultiByte(CP_UTF8, 0, text + 1, *text, utf8, sizeof utf8 - 1, nullptr, nullptr);
  return utf8;
}

class language_test : public e2e_test, public ::testing::WithParamInterface<language_row> {};

TEST_P(language_test, labels_dialog_and_error_box_are_the_players_language_and_exit_still_closes) {
  const language_row& row = GetParam();
  ASSERT_EQ(PRIMARYLANGID(GetUserDefaultUILanguage()), PRIMARYLANGID(row.language))
      << "started under another locale";
  HMODULE exe = LoadLibraryExA(join_path(cd_dir, "startup.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  auto text = [&](UINT id) {  // this language's, present, and not left in English
    const std::string translated = menu_string(exe, id, row.language);
    EXPECT_TRUE(translated != "" &&
                (row.name == std::string("en") || translated != menu_string(exe, id, languages[0].language)))
        << id;
    return translated;
  };
  ASSERT_TRUE(set_registry_raw(uninstall_key, "UninstallString", REG_SZ, "C:\\missing.exe", 15));
  menu_process& menu = start(scratch_dir);
  const UINT labels[][2] = {{8009, 13}, {8002, 14}, {8008, 37}, {8001, 15},
                            {8004, 16}, {8006, 17}, {8010, 38}, {8005, 20}};
  for (const auto& [button, label] : labels)
    EXPECT_EQ(window_text(GetDlgItem(menu.window, button)), text(label));
  click(menu, 8010);
  HWND dialog = wait_for_dialog(menu.info.dwProcessId, text(38).c_str());  // titled as its button
  ASSERT_TRUE(dialog);
  EXPECT_NE(window_text(GetDlgItem(dialog, 1021)).find(row.readme), std::string::npos);
  press(dialog, IDOK);
  ASSERT_TRUE(wait_closed(dialog));
  click(menu, 8006);  // the uninstaller cannot be started
  expect_error_box(menu, text(24).c_str());
  click(menu, 8005);
  expect_closes(menu);
  FreeLibrary(exe);
}

INSTANTIATE_TEST_SUITE_P(languages, language_test, ::testing::ValuesIn(languages),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
