// Hostile input end to end: odd registry values, odd install directories, damaged and
// locked setting files. Each row is driven through the menu as a player would; the menu
// must keep running (or end after starting a program), never crash, and leave every
// setting file as it was unless it is one the command writes. The damage tables of the
// setting files are shared with the native suite (tests/robust/hostile_content.h).
#include "harness.h"

#include <map>
#include <string>
#include <vector>

#include "../robust/hostile_content.h"

namespace {

constexpr int play_id = 8002;
constexpr int network_play_id = 8008;
constexpr int change_driver_id = 8009;
constexpr int troubleshoot_id = 8010;
constexpr int install_game_id = 8001;
constexpr int driver_list_id = 132;
constexpr int nofog_box_id = 1021;

const char chosen_driver[] = "RAMP\r\nkorv.exe -arr\r\n";

const std::map<std::string, std::string>& display_names() {
  static const std::map<std::string, std::string> names = {
      {"RAMP", "Direct3D Ramp"},
      {"MMX", "Direct3D MMX"},
      {"PRIMARY_HAL", "Direct3D Primary Hardware"},
      {"SECONDARY_HAL", "Direct3D Secondary Hardware"},
      {"GLIDE", "Native 3Dfx"},
      {"PENTIUM_RENDERER", "Brenn Software Renderer"},
      {"K6_RENDERER", "Brenn AMD Renderer"}};
  return names;
}

const std::map<std::string, std::string>& game_commands() {
  static const std::map<std::string, std::string> commands = {
      {"RAMP", "korv.exe -arr"},         {"MMX", "korv.exe -arm"},
      {"PRIMARY_HAL", "korv.exe -ar1"},  {"SECONDARY_HAL", "korv.exe -ar2"},
      {"GLIDE", "korv3dfx.exe -ar3"},    {"PENTIUM_RENDERER", "korvsw.exe -arp"},
      {"K6_RENDERER", "korvk6.exe -ark"}};
  return commands;
}

class hostile_test : public e2e_test {
 protected:
  void SetUp() override {
    e2e_test::SetUp();
    // A root without blanks, so that every blank in a path is one a row put there.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    plain_root = join_path(temp, "korv-hostile-" + std::to_string(GetCurrentProcessId()));
    remove_tree(plain_root);
    ASSERT_EQ(plain_root.find(' '), std::string::npos) << plain_root;
  }

  void TearDown() override {
    for (HANDLE lock : locks) CloseHandle(lock);
    e2e_test::TearDown();
    remove_tree(plain_root);
  }

  // A game folder with the stand-ins for every program the menu may start there, and the
  // detection stand-in leaving `mdrivers` as its result.
  void make_game(const std::string& dir, const std::string& mdrivers) {
    ASSERT_TRUE(make_dir(dir));
    for (const char* program : {"korv.exe", "korv3dfx.exe", "korvsw.exe", "korvk6.exe", "netlaunc.exe", "mprofile.exe"}) {
      ASSERT_TRUE(install_stand_in(join_path(dir, program)));
    }
    const std::string prepared = join_path(scratch_dir, "prepared.dat");
    ASSERT_TRUE(write_file(prepared, mdrivers));
    ASSERT_TRUE(SetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", prepared.c_str()));
  }

  menu_process& open_menu() { return start_from_cd(scratch_dir); }

  // Clicks a command and returns its dialog once it is shown: it is shown only after
  // WM_INITDIALOG has filled it.
  HWND open_dialog(menu_process& menu, int command, const char* caption) {
    click(menu, command);
    HWND dialog = wait_for_dialog(menu.info.dwProcessId, caption);
    if (dialog != nullptr && !wait_until([&] { return IsWindowVisible(dialog) != FALSE; })) return nullptr;
    return dialog;
  }

  // Holds the file open without sharing, as another program writing it would.
  void lock(const std::string& path) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << path;
    locks.push_back(handle);
  }

  void unlock_all() {
    for (HANDLE lock : locks) CloseHandle(lock);
    locks.clear();
  }

  std::string bytes_of(const std::string& path) {
    std::string bytes;
    return read_file(path, &bytes) ? bytes : std::string("<missing>");
  }

  // Clicks a command and answers what it opens: an error box is confirmed (and counted),
  // the Select Driver dialog is cancelled, the troubleshooting dialog confirmed. Returns
  // once the menu is idle again or has ended.
  void click_through(menu_process& menu, int command) {
    click(menu, command);
    const DWORD pid = menu.info.dwProcessId;
    bool answered = false;
    wait_until([&] {
      if (!menu_running(menu)) return true;
      if (HWND box = find_dialog(pid, "Korvamund")) {
        // The only error these commands may show is the installation error.
        wait_until([&] { return !message_box_text(box).empty(); }, 3000);
        EXPECT_EQ(message_box_text(box), installation_error);
        ++error_boxes;
        press_ok(box);
        answered = true;
        return false;
      }
      if (HWND dialog = find_dialog(pid, "Select Driver")) {
        press_cancel(dialog);
        answered = true;
        return false;
      }
      if (HWND dialog = find_dialog(pid, "Graphics Troubleshooting")) {
        press_ok(dialog);
        answered = true;
        return false;
      }
      return answered || wait_menu_idle(menu, 200);
    });
    if (menu_running(menu)) {
      EXPECT_TRUE(wait_menu_idle(menu)) << "the menu hangs after command " << command;
      Sleep(settle_ms / 4);
    }
  }

  // The menu either runs on, or ended with exit code 0 after starting a program.
  void expect_alive_or_ended_cleanly(menu_process& menu) {
    if (menu_running(menu)) return;
    DWORD exit_code = 1;
    ASSERT_TRUE(wait_for_exit(menu, default_timeout_ms, &exit_code));
    EXPECT_EQ(exit_code, 0u) << "the menu ended abnormally";
    EXPECT_FALSE(read_recorder_log(log_path).empty()) << "the menu ended without starting anything";
  }

  std::vector<recorder_record> records() { return read_recorder_log(log_path); }

  std::string plain_root;
  std::vector<HANDLE> locks;
  int error_boxes = 0;
};

// ---- registry values -------------------------------------------------------------------

// The install directory the value names: a real game folder of `length` characters.
std::string game_dir_of_length(const std::string& root, size_t length) {
  const std::string base = join_path(root, "G");
  return length > base.size() + 1 ? base + "\\" + std::string(length - base.size() - 1, 'k') : base;
}

struct registry_case {
  const char* name;
  DWORD type;
  // The value's bytes, given the real game folder; stored exactly, terminator or not.
  std::string (*value)(const std::string& game_dir);
  size_t game_dir_length;  // 0: a folder of the usual length
  enum { not_installed, installed_unusable, plays, either } outcome;
};

std::string with_terminator(const std::string& text) { return text + '\0'; }

void PrintTo(const registry_case& row, std::ostream* out) { *out << row.name; }

std::vector<registry_case> registry_cases() {
  return {
      {"empty", REG_SZ, [](const std::string&) { return with_terminator(""); }, 0, registry_case::installed_unusable},
      {"one_character", REG_SZ, [](const std::string&) { return with_terminator("K"); }, 0,
       registry_case::installed_unusable},
      {"single_blank", REG_SZ, [](const std::string&) { return with_terminator(" "); }, 0,
       registry_case::installed_unusable},
      {"127_characters", REG_SZ, [](const std::string& dir) { return with_terminator(dir); }, 127, registry_case::plays},
      {"128_characters", REG_SZ, [](const std::string& dir) { return with_terminator(dir); }, 128,
       registry_case::not_installed},
      {"300_characters", REG_SZ, [](const std::string& dir) { return with_terminator(dir); }, 300,
       registry_case::not_installed},
      {"no_terminator", REG_SZ, [](const std::string& dir) { return dir; }, 0, registry_case::plays},
      {"127_characters_no_terminator", REG_SZ, [](const std::string& dir) { return dir; }, 127, registry_case::plays},
      {"128_characters_no_terminator", REG_SZ, [](const std::string& dir) { return dir; }, 128,
       registry_case::not_installed},
      {"dword", REG_DWORD, [](const std::string&) { return std::string("\x4b\x3a\x5c\x00", 4); }, 0,
       registry_case::either},
      {"binary", REG_BINARY, [](const std::string& dir) { return dir; }, 0, registry_case::either},
      {"expand_string", REG_EXPAND_SZ, [](const std::string& dir) { return with_terminator(dir); }, 0,
       registry_case::either},
      {"multi_string", REG_MULTI_SZ, [](const std::string& dir) { return dir + std::string(2, '\0'); }, 0,
       registry_case::either},
  };
}

class odd_registry_path : public hostile_test, public ::testing::WithParamInterface<registry_case> {};

TEST_P(odd_registry_path, menu_runs_and_plays_only_from_a_whole_usable_value) {
  const registry_case& row = GetParam();
  const std::string game_dir = row.game_dir_length ? game_dir_of_length(plain_root, row.game_dir_length)
                                                   : join_path(plain_root, "Games\\K");
  if (row.game_dir_length) ASSERT_EQ(game_dir.size(), row.game_dir_length);
  if (game_dir.size() < MAX_PATH - 20) {
    make_game(game_dir, hostile::korvexe_detection());
    ASSERT_TRUE(write_file(join_path(game_dir, "korvexe.dat"), chosen_driver));
  }
  const std::string value = row.value(game_dir);
  ASSERT_TRUE(set_registry_raw(app_paths_key, "Path", row.type, value.data(), static_cast<DWORD>(value.size())));

  menu_process& menu = open_menu();
  ASSERT_TRUE(menu.window);
  const bool installed = IsWindowEnabled(menu_button(menu, play_id)) != 0;
  EXPECT_EQ(installed, IsWindowEnabled(menu_button(menu, change_driver_id)) != 0);
  EXPECT_EQ(installed, IsWindowEnabled(menu_button(menu, install_game_id)) == 0);
  if (row.outcome == registry_case::not_installed) EXPECT_FALSE(installed);
  if (row.outcome == registry_case::installed_unusable || row.outcome == registry_case::plays) EXPECT_TRUE(installed);

  click_through(menu, troubleshoot_id);
  click_through(menu, change_driver_id);
  click_through(menu, play_id);
  expect_alive_or_ended_cleanly(menu);
  EXPECT_EQ(error_boxes, 0);

  const std::vector<recorder_record> started = records();
  if (row.outcome == registry_case::plays) {
    ASSERT_FALSE(started.empty());
    EXPECT_EQ(started.back().name, "korv.exe");
    EXPECT_EQ(started.back().current_dir, game_dir);
  }
  if (row.outcome == registry_case::not_installed || row.outcome == registry_case::installed_unusable) {
    EXPECT_TRUE(started.empty()) << started.front().command_line;
    EXPECT_TRUE(menu_running(menu));
  }
  for (const recorder_record& record : started) {
    // Whatever starts, starts from the real game folder, never from a cut or garbled path.
    EXPECT_EQ(record.module_path.rfind(game_dir + "\\", 0), 0u) << record.module_path;
  }
  if (game_dir.size() < MAX_PATH - 20) EXPECT_EQ(bytes_of(join_path(game_dir, "korvexe.dat")), chosen_driver);
}

INSTANTIATE_TEST_SUITE_P(hostile, odd_registry_path, ::testing::ValuesIn(registry_cases()),
                         [](const ::testing::TestParamInfo<registry_case>& info) { return info.param.name; });

// ---- install directories ------------------------------------------------------------------

TEST_F(hostile_test, install_directory_with_blanks_plays_from_it) {
  const std::string game_dir = join_path(plain_root, "Korv Amund Games\\The K");
  make_game(game_dir, hostile::korvexe_detection());
  ASSERT_TRUE(write_file(join_path(game_dir, "korvexe.dat"), chosen_driver));
  ASSERT_TRUE(set_app_path(game_dir));
  menu_process& menu = open_menu();
  click_through(menu, play_id);
  const std::vector<recorder_record> started = records();
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].name, "korv.exe");
  EXPECT_EQ(started[0].current_dir, game_dir);
  expect_alive_or_ended_cleanly(menu);
}

TEST_F(hostile_test, install_directory_with_trailing_backslash_plays_from_it) {
  const std::string game_dir = join_path(plain_root, "Games\\K");
  make_game(game_dir, hostile::korvexe_detection());
  ASSERT_TRUE(set_app_path(game_dir + "\\"));
  menu_process& menu = open_menu();
  // No "korvexe.dat" yet: the silent detection writes it first.
  click_through(menu, play_id);
  const std::vector<recorder_record> started = records();
  ASSERT_EQ(started.size(), 2u);
  EXPECT_EQ(started[0].name, "mprofile.exe");
  EXPECT_EQ(started[1].name, "korv.exe");
  EXPECT_EQ(bytes_of(join_path(game_dir, "korvexe.dat")), "MMX\r\nkorv.exe -arm\r\n");
  expect_alive_or_ended_cleanly(menu);
}

TEST_F(hostile_test, install_directory_on_a_missing_drive_does_nothing) {
  ASSERT_TRUE(set_app_path("Q:\\Games\\K"));
  menu_process& menu = open_menu();
  for (int command : {troubleshoot_id, change_driver_id, network_play_id, play_id}) click_through(menu, command);
  EXPECT_TRUE(menu_running(menu));
  EXPECT_TRUE(records().empty());
  EXPECT_EQ(error_boxes, 0);
}

// ---- damaged "mdrivers.dat" ---------------------------------------------------------------

class damaged_mdrivers : public hostile_test, public ::testing::WithParamInterface<hostile::mdrivers_case> {};

TEST_P(damaged_mdrivers, offers_the_readable_renderers_and_plays_the_best_or_nothing) {
  const hostile::mdrivers_case& damage = GetParam();
  const std::string game_dir = join_path(plain_root, "Games\\K");
  make_game(game_dir, damage.bytes);
  ASSERT_TRUE(set_app_path(game_dir));
  const std::string korvexe = join_path(game_dir, "korvexe.dat");
  menu_process& menu = open_menu();

  HWND dialog = damage.offered.empty() ? nullptr : open_dialog(menu, change_driver_id, "Select Driver");
  if (damage.offered.empty()) click(menu, change_driver_id);
  if (!damage.offered.empty()) {
    ASSERT_TRUE(dialog);
    std::vector<std::string> expected;
    for (const std::string& key : damage.offered) expected.push_back(display_names().at(key));
    ASSERT_TRUE(wait_until([&] { return combo_items(GetDlgItem(dialog, driver_list_id)) == expected; }));
    EXPECT_EQ(combo_items(GetDlgItem(dialog, driver_list_id))[combo_selection(GetDlgItem(dialog, driver_list_id))],
              display_names().at(damage.best_present));
    press_cancel(dialog);
  }
  ASSERT_TRUE(wait_menu_idle(menu));
  Sleep(settle_ms);
  EXPECT_FALSE(find_dialog(menu.info.dwProcessId, "Select Driver"));
  EXPECT_FALSE(file_exists(korvexe));

  // Play without "korvexe.dat": the silent choice is the best present renderer, or none.
  click_through(menu, play_id);
  const std::vector<recorder_record> started = records();
  if (damage.offered.empty()) {
    EXPECT_TRUE(menu_running(menu));
    EXPECT_FALSE(file_exists(korvexe));
    for (const recorder_record& record : started) EXPECT_EQ(record.name, "mprofile.exe");
  } else {
    const std::string command = game_commands().at(damage.best_present);
    EXPECT_EQ(bytes_of(korvexe), damage.best_present + "\r\n" + command + "\r\n");
    ASSERT_FALSE(started.empty());
    EXPECT_EQ(started.back().name, command.substr(0, command.find(' ')));
  }
  expect_alive_or_ended_cleanly(menu);
  EXPECT_EQ(bytes_of(join_path(game_dir, "mdrivers.dat")), damage.bytes);
}

INSTANTIATE_TEST_SUITE_P(hostile, damaged_mdrivers, ::testing::ValuesIn(hostile::mdrivers_cases()),
                         [](const ::testing::TestParamInfo<hostile::mdrivers_case>& info) { return info.param.name; });

// ---- damaged "korvexe.dat" ----------------------------------------------------------------

class damaged_korvexe : public hostile_test, public ::testing::WithParamInterface<hostile::korvexe_case> {};

TEST_P(damaged_korvexe, selects_the_named_or_best_renderer_and_never_rewrites_it_unasked) {
  const hostile::korvexe_case& damage = GetParam();
  const std::string game_dir = join_path(plain_root, "Games\\K");
  make_game(game_dir, hostile::korvexe_detection());
  const std::string korvexe = join_path(game_dir, "korvexe.dat");
  ASSERT_TRUE(write_file(korvexe, damage.bytes));
  ASSERT_TRUE(set_app_path(game_dir));
  menu_process& menu = open_menu();

  HWND dialog = open_dialog(menu, change_driver_id, "Select Driver");
  ASSERT_TRUE(dialog);
  HWND list = GetDlgItem(dialog, driver_list_id);
  ASSERT_TRUE(wait_until([&] { return combo_items(list).size() == 3; }));
  EXPECT_EQ(combo_items(list)[combo_selection(list)], display_names().at(damage.selected));
  press_cancel(dialog);
  ASSERT_TRUE(wait_menu_idle(menu));
  EXPECT_EQ(bytes_of(korvexe), damage.bytes);

  // Play reads the two lines as they are (the file exists, so no detection runs); a game
  // command that names no program ends in the installation error, and nothing rewrites
  // the file.
  const size_t detections = records().size();
  click_through(menu, play_id);
  click_through(menu, network_play_id);
  expect_alive_or_ended_cleanly(menu);
  EXPECT_EQ(bytes_of(korvexe), damage.bytes);
  const std::vector<recorder_record> started = records();
  for (size_t i = detections; i < started.size(); ++i) EXPECT_NE(started[i].name, "mprofile.exe");
}

INSTANTIATE_TEST_SUITE_P(hostile, damaged_korvexe, ::testing::ValuesIn(hostile::korvexe_cases()),
                         [](const ::testing::TestParamInfo<hostile::korvexe_case>& info) { return info.param.name; });

// ---- damaged "frontend.dat" ---------------------------------------------------------------

class damaged_frontend : public hostile_test, public ::testing::WithParamInterface<hostile::frontend_case> {};

TEST_P(damaged_frontend, only_a_nofog_line_checks_the_box_and_ok_stores_the_box) {
  const hostile::frontend_case& damage = GetParam();
  const std::string game_dir = join_path(plain_root, "Games\\K");
  make_game(game_dir, hostile::korvexe_detection());
  ASSERT_TRUE(write_file(join_path(game_dir, "korvexe.dat"), chosen_driver));
  const std::string frontend = join_path(game_dir, "frontend.dat");
  ASSERT_TRUE(write_file(frontend, damage.bytes));
  ASSERT_TRUE(set_app_path(game_dir));
  menu_process& menu = open_menu();

  HWND dialog = open_dialog(menu, troubleshoot_id, "Graphics Troubleshooting");
  ASSERT_TRUE(dialog);
  EXPECT_EQ(check_state(GetDlgItem(dialog, nofog_box_id)), damage.fog_work_around ? BST_CHECKED : BST_UNCHECKED);
  EXPECT_EQ(bytes_of(frontend), damage.bytes) << "opening the dialog changed the file";
  press_ok(dialog);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
  EXPECT_EQ(bytes_of(frontend), damage.fog_work_around ? "NOFOG\r\n" : "FOG\r\n");

  click_through(menu, play_id);
  const std::vector<recorder_record> started = records();
  ASSERT_EQ(started.size(), 1u);
  const std::string& line = started[0].command_line;
  const bool fog_option = line.size() >= 5 && line.compare(line.size() - 5, 5, " -anf") == 0;
  EXPECT_EQ(fog_option, damage.fog_work_around) << line;
  expect_alive_or_ended_cleanly(menu);
}

INSTANTIATE_TEST_SUITE_P(hostile, damaged_frontend, ::testing::ValuesIn(hostile::frontend_cases()),
                         [](const ::testing::TestParamInfo<hostile::frontend_case>& info) { return info.param.name; });

// ---- setting files held open by another program --------------------------------------------

TEST_F(hostile_test, locked_korvexe_is_neither_changed_nor_fatal) {
  const std::string game_dir = join_path(plain_root, "Games\\K");
  make_game(game_dir, hostile::korvexe_detection());
  const std::string korvexe = join_path(game_dir, "korvexe.dat");
  ASSERT_TRUE(write_file(korvexe, chosen_driver));
  ASSERT_TRUE(set_app_path(game_dir));
  lock(korvexe);
  menu_process& menu = open_menu();

  // The stored choice cannot be read, so the best present renderer is the default; OK
  // cannot write it.
  HWND dialog = open_dialog(menu, change_driver_id, "Select Driver");
  ASSERT_TRUE(dialog);
  HWND list = GetDlgItem(dialog, driver_list_id);
  ASSERT_TRUE(wait_until([&] { return combo_items(list).size() == 3; }));
  EXPECT_EQ(combo_items(list)[combo_selection(list)], "Direct3D MMX");
  press_ok(dialog);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
  ASSERT_TRUE(wait_menu_idle(menu));

  // Play cannot see the file either: it runs the detection, fails to write, and stays.
  click_through(menu, play_id);
  EXPECT_TRUE(menu_running(menu));
  for (const recorder_record& record : records()) EXPECT_EQ(record.name, "mprofile.exe");
  unlock_all();
  EXPECT_EQ(bytes_of(korvexe), chosen_driver);
  EXPECT_EQ(error_boxes, 0);
}

TEST_F(hostile_test, locked_frontend_is_neither_changed_nor_fatal) {
  const std::string game_dir = join_path(plain_root, "Games\\K");
  make_game(game_dir, hostile::korvexe_detection());
  const std::string frontend = join_path(game_dir, "frontend.dat");
  ASSERT_TRUE(write_file(frontend, "NOFOG\r\n"));
  ASSERT_TRUE(set_app_path(game_dir));
  lock(frontend);
  menu_process& menu = open_menu();

  HWND dialog = open_dialog(menu, troubleshoot_id, "Graphics Troubleshooting");
  ASSERT_TRUE(dialog);
  EXPECT_EQ(check_state(GetDlgItem(dialog, nofog_box_id)), BST_UNCHECKED) << "the locked file was read";
  press_ok(dialog);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
  ASSERT_TRUE(wait_menu_idle(menu));
  EXPECT_TRUE(menu_running(menu));
  unlock_all();
  EXPECT_EQ(bytes_of(frontend), "NOFOG\r\n");
}

}  // namespace
