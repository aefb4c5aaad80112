// Hostile input end to end: odd registry values and install folders, damaged and locked
// setting files, each driven through the menu as a player would. The menu must keep
// running (or end after starting a program), show no error but the installation error,
// and leave every setting file as it was unless the command writes it. What the menu's
// logic makes of each damaged file is proven natively (tests/robust, same rows); here one
// menu run per row takes the damage through every dialog and command that reads it.
#include "harness.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "../robust/hostile_content.h"

namespace {

constexpr int install_game_id = 8001, play_id = 8002, network_play_id = 8008;
constexpr int change_driver_id = 8009, troubleshoot_id = 8010;
constexpr int driver_list_id = 132, nofog_box_id = 1021;

const char chosen_driver[] = "RAMP\r\nkorv.exe -arr\r\n";

std::string display_name(const std::string& key) {
  static const std::map<std::string, std::string> names = {{"RAMP", "Direct3D Ramp"},
                                                           {"MMX", "Direct3D MMX"},
                                                           {"PRIMARY_HAL", "Direct3D Primary Hardware"},
                                                           {"SECONDARY_HAL", "Direct3D Secondary Hardware"},
                                                           {"GLIDE", "Native 3Dfx"},
                                                           {"PENTIUM_RENDERER", "Brenn Software Renderer"},
                                                           {"K6_RENDERER", "Brenn AMD Renderer"}};
  return names.at(key);
}

class hostile_test : public e2e_test {
 protected:
  void SetUp() override {
    e2e_test::SetUp();
    // A root without blanks, so that every blank in a path is one a row put there.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root = join_path(temp, "korv-hostile-" + std::to_string(GetCurrentProcessId()));
    remove_tree(root);
    ASSERT_EQ(root.find(' '), std::string::npos) << root;
    game_dir = join_path(root, "Games\\K");
  }

  void TearDown() override {
    for (HANDLE lock : locks) CloseHandle(lock);
    e2e_test::TearDown();
    remove_tree(root);
  }

  // A game folder with stand-ins for every program the menu may start there; the
  // detection stand-in leaves a copy of detection_result() as its result.
  void make_game(const std::string& dir) {
    ASSERT_TRUE(make_dir(dir));
    for (const char* program :
         {"korv.exe", "korv3dfx.exe", "korvsw.exe", "korvk6.exe", "netlaunc.exe", "mprofile.exe"})
      ASSERT_TRUE(install_stand_in(join_path(dir, program)));
    ASSERT_TRUE(SetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", detection_result().c_str()));
    ASSERT_TRUE(write_file(detection_result(), hostile::korvexe_detection()));
  }
  std::string detection_result() const { return join_path(scratch_dir, "prepared.dat"); }
  std::string in_game(const char* name) const { return join_path(game_dir, name); }

  // Clicks a command and returns its dialog once shown, that is once WM_INITDIALOG filled it.
  HWND open_dialog(menu_process& menu, int command, const char* caption) {
    click(menu, command);
    HWND dialog = wait_for_dialog(menu.info.dwProcessId, caption);
    if (dialog != nullptr && !wait_until([&] { return IsWindowVisible(dialog) != FALSE; })) return nullptr;
    return dialog;
  }

  // The Select Driver list's items; *selected is the selected one.
  std::vector<std::string> driver_list(HWND dialog, std::string* selected) {
    const std::vector<std::string> items = combo_items(GetDlgItem(dialog, driver_list_id));
    const int at = combo_selection(GetDlgItem(dialog, driver_list_id));
    *selected = at >= 0 && at < static_cast<int>(items.size()) ? items[at] : "<none>";
    return items;
  }

  std::string bytes_of(const std::string& path) {
    std::string bytes;
    return read_file(path, &bytes) ? bytes : std::string("<missing>");
  }

  // Clicks a command and answers what it opens, noting each caption in `answered`: an
  // error box is confirmed, Select Driver cancelled, Graphics Troubleshooting confirmed.
  // Returns once the menu is idle again or has ended.
  void click_through(menu_process& menu, int command) {
    click(menu, command);
    bool answered_one = false;
    wait_until([&] {
      if (!menu_running(menu)) return true;
      for (const char* caption : {"Korvamund", "Select Driver", "Graphics Troubleshooting"}) {
        HWND dialog = find_dialog(menu.info.dwProcessId, caption);
        if (dialog == nullptr) continue;
        if (caption[0] == 'K') {
          // The only error these commands may show is the installation error.
          wait_until([&] { return !message_box_text(dialog).empty(); }, 3000);
          EXPECT_EQ(message_box_text(dialog), installation_error);
        }
        (caption[0] == 'S' ? press_cancel : press_ok)(dialog);
        answered.push_back(caption);
        answered_one = true;
        return false;
      }
      return answered_one || wait_menu_idle(menu, 200);
    });
    if (menu_running(menu)) {
      EXPECT_TRUE(wait_menu_idle(menu)) << "the menu hangs after command " << command;
      Sleep(settle_ms / 4);
    }
  }
  long error_boxes() const { return std::count(answered.begin(), answered.end(), "Korvamund"); }

  // The menu either runs on, or ended with exit code 0 after starting a program.
  void expect_alive_or_ended_cleanly(menu_process& menu) {
    if (menu_running(menu)) return;
    DWORD exit_code = 1;
    ASSERT_TRUE(wait_for_exit(menu, default_timeout_ms, &exit_code));
    EXPECT_EQ(exit_code, 0u) << "the menu ended abnormally";
    EXPECT_FALSE(records().empty()) << "the menu ended without starting anything";
  }

  std::vector<recorder_record> records() { return read_recorder_log(log_path); }

  std::string root;
  std::string game_dir;
  std::vector<HANDLE> locks;
  std::vector<std::string> answered;
};

// ---- registry values ---------------------------------------------------------------------

std::string terminated(const std::string& dir) {
  return dir + '\0';
}
std::string unterminated(const std::string& dir) {
  return dir;
}

struct registry_case {
  const char* name;
  DWORD type;
  std::string (*value)(const std::string& game_dir);  // the bytes stored, given the real folder
  size_t game_dir_length;                             // 0: a folder of the usual length
  enum { not_installed, installed_unusable, plays } outcome;
};

void PrintTo(const registry_case& row, std::ostream* out) {
  *out << row.name;
}

// What the lookup itself makes of each kind of value is tested beside it
// (tests/launcher/registry_win_test.cpp); these rows follow one of each through the menu.
const registry_case registry_cases[] = {
    {"empty", REG_SZ, [](const std::string&) { return std::string(1, '\0'); }, 0,
     registry_case::installed_unusable},
    {"one_character", REG_SZ, [](const std::string&) { return std::string("K", 2); }, 0,
     registry_case::installed_unusable},
    {"127_characters", REG_SZ, terminated, 127, registry_case::plays},
    {"128_characters", REG_SZ, terminated, 128, registry_case::not_installed},
    {"300_characters", REG_SZ, terminated, 300, registry_case::not_installed},
    {"no_terminator", REG_SZ, unterminated, 0, registry_case::plays},
    {"dword", REG_DWORD, [](const std::string&) { return std::string("K:\\\0", 4); }, 0,
     registry_case::not_installed},
    {"multi_string", REG_MULTI_SZ, [](const std::string& dir) { return dir + std::string(2, '\0'); }, 0,
     registry_case::not_installed},
};

class odd_registry_path : public hostile_test, public ::testing::WithParamInterface<registry_case> {};

TEST_P(odd_registry_path, menu_runs_and_plays_only_from_a_whole_usable_value) {
  const registry_case& row = GetParam();
  if (row.game_dir_length != 0) {
    const std::string base = join_path(root, "G");
    game_dir = base + "\\" + std::string(row.game_dir_length - base.size() - 1, 'k');
  }
  const bool real_folder = game_dir.size() < MAX_PATH - 20;
  if (real_folder) {
    make_game(game_dir);
    ASSERT_TRUE(write_file(in_game("korvexe.dat"), chosen_driver));
  }
  const std::string value = row.value(game_dir);
  ASSERT_TRUE(
      set_registry_raw(app_paths_key, "Path", row.type, value.data(), static_cast<DWORD>(value.size())));

  menu_process& menu = start_from_cd(scratch_dir);
  const bool installed = IsWindowEnabled(menu_button(menu, play_id)) != 0;
  EXPECT_EQ(installed, row.outcome != registry_case::not_installed);
  EXPECT_EQ(installed, IsWindowEnabled(menu_button(menu, change_driver_id)) != 0);
  EXPECT_EQ(installed, IsWindowEnabled(menu_button(menu, install_game_id)) == 0);
  for (int command : {troubleshoot_id, change_driver_id, play_id}) click_through(menu, command);
  expect_alive_or_ended_cleanly(menu);
  EXPECT_EQ(error_boxes(), 0);

  const std::vector<recorder_record> started = records();
  if (row.outcome == registry_case::plays) {
    ASSERT_FALSE(started.empty());
    EXPECT_EQ(started.back().name, "korv.exe");
    EXPECT_EQ(started.back().current_dir, game_dir);
  } else {
    EXPECT_TRUE(started.empty()) << started.front().command_line;
    EXPECT_TRUE(menu_running(menu));
  }
  // Whatever starts, starts from the real game folder, never from a cut or garbled path.
  for (const recorder_record& record : started) EXPECT_EQ(record.module_path.rfind(game_dir + "\\", 0), 0u);
  if (real_folder) EXPECT_EQ(bytes_of(in_game("korvexe.dat")), chosen_driver);
}

INSTANTIATE_TEST_SUITE_P(hostile, odd_registry_path, ::testing::ValuesIn(registry_cases),
                         [](const ::testing::TestParamInfo<registry_case>& info) { return info.param.name; });

// ---- install folders -----------------------------------------------------------------------

struct folder_case {
  const char* name;
  const char* game;        // below the root; null: no game folder
  const char* registered;  // below the root, or a path of its own when absolute
  bool with_korvexe;       // else the detection writes the best present renderer first
  std::vector<std::string> started;
};

void PrintTo(const folder_case& row, std::ostream* out) {
  *out << row.name;
}

const folder_case folder_cases[] = {
    {"blanks", "Korv Amund Games\\The K", "Korv Amund Games\\The K", true, {"mprofile.exe", "korv.exe"}},
    {"trailing_backslash", "Games\\K", "Games\\K\\", false, {"mprofile.exe", "mprofile.exe", "korv.exe"}},
    {"missing_drive", nullptr, "Q:\\Games\\K", false, {}},
};

class odd_install_folder : public hostile_test, public ::testing::WithParamInterface<folder_case> {};

TEST_P(odd_install_folder, programs_start_only_from_the_folder) {
  const folder_case& row = GetParam();
  if (row.game != nullptr) {
    game_dir = join_path(root, row.game);
    make_game(game_dir);
    if (row.with_korvexe) ASSERT_TRUE(write_file(in_game("korvexe.dat"), chosen_driver));
  }
  ASSERT_TRUE(set_app_path(row.registered[1] == ':' ? row.registered : join_path(root, row.registered)));
  menu_process& menu = start_from_cd(scratch_dir);
  for (int command : {troubleshoot_id, change_driver_id, play_id}) click_through(menu, command);
  if (row.started.empty()) click_through(menu, network_play_id);
  expect_alive_or_ended_cleanly(menu);
  EXPECT_EQ(error_boxes(), 0);

  std::vector<std::string> names;
  for (const recorder_record& record : records()) {
    names.push_back(record.name);
    EXPECT_EQ(record.module_path.rfind(game_dir + "\\", 0), 0u) << record.module_path;
  }
  EXPECT_EQ(names, row.started);
  if (!names.empty()) EXPECT_EQ(records().back().current_dir, game_dir);
  if (row.game != nullptr)
    EXPECT_EQ(bytes_of(in_game("korvexe.dat")),
              row.with_korvexe ? chosen_driver : "MMX\r\nkorv.exe -arm\r\n");
}

INSTANTIATE_TEST_SUITE_P(hostile, odd_install_folder, ::testing::ValuesIn(folder_cases),
                         [](const ::testing::TestParamInfo<folder_case>& info) { return info.param.name; });

// ---- damaged and locked setting files --------------------------------------------------------

class damaged_files : public hostile_test, public ::testing::WithParamInterface<hostile::damage_case> {};

TEST_P(damaged_files, dialogs_show_what_the_files_say_and_nothing_rewrites_them_unasked) {
  const hostile::damage_case& damage = GetParam();
  make_game(game_dir);
  ASSERT_TRUE(set_app_path(game_dir));
  ASSERT_TRUE(write_file(in_game("frontend.dat"), damage.frontend));
  ASSERT_TRUE(write_file(detection_result(), damage.mdrivers));
  menu_process& menu = start_from_cd(scratch_dir);

  HWND dialog = open_dialog(menu, troubleshoot_id, "Graphics Troubleshooting");
  ASSERT_TRUE(dialog);
  EXPECT_EQ(check_state(GetDlgItem(dialog, nofog_box_id)), damage.nofog ? BST_CHECKED : BST_UNCHECKED);
  EXPECT_EQ(bytes_of(in_game("frontend.dat")), damage.frontend) << "opening the dialog changed the file";
  press_ok(dialog);
  ASSERT_TRUE(wait_closed(dialog));
  EXPECT_EQ(bytes_of(in_game("frontend.dat")), damage.nofog ? "NOFOG\r\n" : "FOG\r\n");

  // A damaged detection result and no "korvexe.dat": the readable renderers, or nothing.
  std::string selected;
  if (damage.offered.empty()) {
    click_through(menu, change_driver_id);
    EXPECT_EQ(answered, std::vector<std::string>{}) << "nothing is offered, so nothing opens";
  } else {
    dialog = open_dialog(menu, change_driver_id, "Select Driver");
    ASSERT_TRUE(dialog);
    std::vector<std::string> offered;
    for (const std::string& key : damage.offered) offered.push_back(display_name(key));
    EXPECT_EQ(driver_list(dialog, &selected), offered);
    EXPECT_EQ(selected, display_name(damage.best_present));
    press_cancel(dialog);
    ASSERT_TRUE(wait_closed(dialog));
  }
  EXPECT_FALSE(file_exists(in_game("korvexe.dat")));

  // A damaged "korvexe.dat" beside a sound detection result.
  ASSERT_TRUE(write_file(in_game("korvexe.dat"), damage.korvexe));
  ASSERT_TRUE(write_file(detection_result(), hostile::korvexe_detection()));
  dialog = open_dialog(menu, change_driver_id, "Select Driver");
  ASSERT_TRUE(dialog);
  EXPECT_EQ(driver_list(dialog, &selected).size(), 3u);
  EXPECT_EQ(selected, display_name(damage.selected));
  press_cancel(dialog);
  ASSERT_TRUE(wait_closed(dialog));

  // Play reads the two lines as they are (the file exists, so no detection runs): what
  // they name starts, or the installation error shows; neither rewrites the file.
  const size_t detections = records().size();
  click_through(menu, play_id);
  click_through(menu, network_play_id);
  expect_alive_or_ended_cleanly(menu);
  EXPECT_EQ(bytes_of(in_game("korvexe.dat")), damage.korvexe);
  const std::vector<recorder_record> started = records();
  for (size_t i = detections; i < started.size(); ++i) EXPECT_NE(started[i].name, "mprofile.exe");
}

INSTANTIATE_TEST_SUITE_P(hostile, damaged_files, ::testing::ValuesIn(hostile::damage_cases()),
                         [](const ::testing::TestParamInfo<hostile::damage_case>& info) {
                           return info.param.name;
                         });

TEST_F(hostile_test, locked_setting_files_are_neither_changed_nor_fatal) {
  make_game(game_dir);
  ASSERT_TRUE(write_file(in_game("korvexe.dat"), chosen_driver));
  ASSERT_TRUE(write_file(in_game("frontend.dat"), "NOFOG\r\n"));
  ASSERT_TRUE(set_app_path(game_dir));
  // Held open without sharing, as another program writing them would.
  for (const char* name : {"korvexe.dat", "frontend.dat"}) {
    locks.push_back(CreateFileA(in_game(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(locks.back(), INVALID_HANDLE_VALUE) << name;
  }
  menu_process& menu = start_from_cd(scratch_dir);
  // The box of a setting that could not be saved (tests/e2e/save_failure_test.cpp checks its text).
  auto answer_save_failure = [&] {
    HWND box = wait_for_dialog(menu.info.dwProcessId, "Korvamund");
    ASSERT_TRUE(box);
    press_ok(box);
  };

  // Neither file can be read, so the box opens unchecked and the best present renderer is
  // the default; OK cannot write either and says so.
  HWND dialog = open_dialog(menu, troubleshoot_id, "Graphics Troubleshooting");
  ASSERT_TRUE(dialog);
  EXPECT_EQ(check_state(GetDlgItem(dialog, nofog_box_id)), BST_UNCHECKED) << "the locked file was read";
  press_ok(dialog);
  answer_save_failure();
  ASSERT_TRUE(wait_closed(dialog));
  dialog = open_dialog(menu, change_driver_id, "Select Driver");
  ASSERT_TRUE(dialog);
  std::string selected;
  EXPECT_EQ(driver_list(dialog, &selected).size(), 3u);
  EXPECT_EQ(selected, "Direct3D MMX");
  press_ok(dialog);
  answer_save_failure();
  ASSERT_TRUE(wait_closed(dialog));

  // Play cannot see the file either: it runs the detection, fails to write, says so, and stays.
  click(menu, play_id);
  answer_save_failure();
  EXPECT_TRUE(wait_menu_idle(menu) && menu_running(menu));
  for (const recorder_record& record : records()) EXPECT_EQ(record.name, "mprofile.exe");
  for (HANDLE lock : locks) CloseHandle(lock);
  locks.clear();
  EXPECT_EQ(bytes_of(in_game("korvexe.dat")), chosen_driver);
  EXPECT_EQ(bytes_of(in_game("frontend.dat")), "NOFOG\r\n");
}

}  // namespace
