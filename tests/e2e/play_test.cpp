// Play, Play Network Game, Change Video Driver and Graphics Troubleshooting, driven from
// outside: which program starts, with which command line and in which folder, whether the
// menu ends, what the dialogs show, and what reaches "korvexe.dat" and "frontend.dat".
#include <cstring>

#include "harness.h"

namespace {

constexpr int play_id = 8002, network_play_id = 8008, change_driver_id = 8009, troubleshoot_id = 8010;
constexpr int nofog_box_id = 1021, driver_list_id = 132, driver_help_id = 1014;
const char glide[] = "GLIDE\r\nkorv3dfx.exe -ar3\r\n";
const char maybe_only[] = "NUM_DRIVERS 2\r\nGLIDE MAYBEPRESENT 0\r\nMMX MAYBEPRESENT 0\r\n";
const char three_renderers[] = "NUM_DRIVERS 3\r\nRAMP PRESENT 0\r\nMMX PRESENT 0\r\nGLIDE MAYBEPRESENT 0\r\n";
const char glide_help[] = "Use native driver option only if you are sure you have a supported card installed";

class play_test : public e2e_test {
 protected:
  void SetUp() override {
    e2e_test::SetUp();
    // A root without blanks, so that every blank in a path is one a case put there.
    root = join_path(getenv("TEMP"), "korv-play-" + std::to_string(GetCurrentProcessId()));
    game_dir = join_path(root, "Games\\K");
    ASSERT_TRUE(remove_tree(root) && make_directory(game_dir) && root.find(' ') == std::string::npos);
  }
  void TearDown() override {
    e2e_test::TearDown();
    remove_tree(root);
  }

  // Opens the dialog, clicks the box as a player does unless it shows the wanted state
  // already, and presses OK; returns the state the box opened with.
  int set_fog_box(menu_process& menu, int wanted, HWND* kept_open = nullptr) {
    click(menu, troubleshoot_id);
    HWND dialog = wait_for_dialog(menu.info.dwProcessId, "Graphics Troubleshooting");
    HWND box = GetDlgItem(dialog, nofog_box_id);
    const int opened_with = send(box, BM_GETCHECK);
    if (kept_open) return *kept_open = dialog, opened_with;
    if (opened_with != wanted) PostMessageA(box, BM_CLICK, 0, 0);
    EXPECT_TRUE(wait_until([&] { return send(box, BM_GETCHECK) == wanted; }));
    press(dialog, IDOK);
    EXPECT_TRUE(wait_closed(dialog));
    return opened_with;
  }

  // Clicks and checks that the menu stays open; returns how many starts were recorded.
  size_t click_and_stay(menu_process& menu, int command) {
    click(menu, command);
    expect_stays_open(menu);
    return read_recorder_log(log_path).size();
  }

  HWND open_driver_dialog(menu_process& menu) {
    click(menu, change_driver_id);
    return wait_for_dialog(menu.info.dwProcessId, "Select Driver");
  }

  // Selects a list item as a player's click does: the selection, then its notification.
  void choose(HWND dialog, int index) {
    HWND list = GetDlgItem(dialog, driver_list_id);
    send(list, CB_SETCURSEL, WPARAM(index));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(driver_list_id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
  }

  std::string help_text(HWND dialog) { return window_text(GetDlgItem(dialog, driver_help_id)); }

  std::string root, game_dir;
};

TEST_F(play_test, play_buttons_start_the_stored_game_in_the_install_directory_and_end) {
  struct launch_case {
    const char* folder;   // below the root; "Program Files" has a decoy Program.exe above it
    const char* korvexe;  // null: none, the detection stand-in finds RAMP and MMX present
    bool packed;          // korvexe.dat only inside FASTFILE.DAT
    bool unterminated;    // the registry value lacks its terminator
    const char* stored_fog;
    int fog_box;  // set through the dialog first; -1: not opened
    int button;
    const char* started;  // program and arguments
  };
  // clang-format off
  const launch_case cases[] = {
      // The fog setting an earlier run stored applies from the start.
      {"Games\\K", glide, false, true, "NOFOG\r\n", -1, play_id, "korv3dfx.exe -ar3 -anf"},
      {"Games\\K", glide, false, false, "", BST_CHECKED, play_id, "korv3dfx.exe -ar3 -anf"},
      {"Games\\K", glide, false, false, "NOFOG\r\n", BST_UNCHECKED, play_id, "korv3dfx.exe -ar3"},
      // The network launcher takes the renderer's option, never the fog option.
      {"Games\\K", glide, false, false, "", BST_CHECKED, network_play_id, "netlaunc.exe -ar3"},
      {"Program Files\\K", "RAMP\r\nkorv.exe -arr\r\n", false, false, "", -1, play_id, "korv.exe -arr"},
      {"Games\\K", glide, true, false, "", -1, play_id, "korv3dfx.exe -ar3"},
      {"Program Files\\K", glide, true, false, "", -1, network_play_id, "netlaunc.exe -ar3"},
      // No choice stored yet: the best present renderer is chosen silently and stored first.
      {"Games\\K", nullptr, false, false, "", -1, play_id, "korv.exe -arm"}};
  // clang-format on
  for (const launch_case& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - cases));
    const std::string dir = join_path(root, c.folder);
    ASSERT_TRUE(remove_tree(root) && make_directory(dir) && install_stand_in(join_path(root, "Program.exe")));
    for (const char* program : {"korv.exe", "korv3dfx.exe", "netlaunc.exe", "mprofile.exe"})
      ASSERT_TRUE(install_stand_in(join_path(dir, program)));
    if (c.korvexe)
      ASSERT_TRUE(c.packed ? write_bytes(join_path(dir, "FASTFILE.DAT"),
                                         archive_bytes({{"README.TXT", "Korv"}, {"KORVEXE.DAT", c.korvexe}}))
                           : write_bytes(join_path(dir, "korvexe.dat"), c.korvexe));
    prepare_detection(three_renderers);
    ASSERT_TRUE(write_bytes(join_path(dir, "frontend.dat"), c.stored_fog));
    ASSERT_TRUE(
        set_registry_raw(app_paths_key, "Path", REG_SZ, dir.c_str(), DWORD(dir.size() + !c.unterminated)));
    DeleteFileA(log_path.c_str());

    menu_process& menu = start(scratch_dir);
    if (c.fog_box >= 0) {
      set_fog_box(menu, c.fog_box);
      EXPECT_EQ(read_bytes(join_path(dir, "frontend.dat")),
                c.fog_box == BST_CHECKED ? "NOFOG\r\n" : "FOG\r\n");
    }
    click(menu, c.button);
    expect_closes(menu);
    std::vector<recorder_record> records = read_recorder_log(log_path);
    ASSERT_EQ(records.size(), c.korvexe ? 1u : 2u);
    if (!c.korvexe) {
      EXPECT_EQ(records[0].command_line, dir + "\\mprofile.exe " + dir + "\\mdrivers.dat");
      EXPECT_EQ(read_bytes(join_path(dir, "korvexe.dat")), "MMX\r\nkorv.exe -arm\r\n");
    }
    const std::string program =
        join_path(dir, c.started).substr(0, dir.size() + std::strcspn(c.started, " ") + 1);
    const bool blanks = dir.find(' ') != std::string::npos;
    EXPECT_EQ(records.back().command_line,
              (blanks ? "\"" + program + "\"" : program) + (c.started + std::strcspn(c.started, " ")));
    EXPECT_STRCASEEQ(records.back().module_path.c_str(), program.c_str());
    EXPECT_STRCASEEQ(records.back().current_dir.c_str(), dir.c_str());
    EXPECT_EQ(read_bytes(join_path(dir, "korvexe.dat")) == "<missing>", c.packed);
  }
}

// One menu through every way Play and Play Network Game find nothing to start.
TEST_F(play_test, nothing_to_start_leaves_the_menu_open) {
  prepare_detection(maybe_only);
  // A game in the menu's current directory, where a relative name would find it; setup.exe
  // only there, on the disc the menu runs from, shows which directory is current after a
  // failed start.
  ASSERT_TRUE(make_directory(join_path(scratch_dir, "start")));
  const std::string start_dir = mount_disc(join_path(scratch_dir, "start")) + "\\";
  for (const char* program : {"korv.exe", "setup.exe"})
    ASSERT_TRUE(install_stand_in(join_path(start_dir, program)));
  ASSERT_TRUE(write_bytes(join_path(start_dir, "korvexe.dat"), "RAMP\r\nkorv.exe -arr\r\n"));
  ASSERT_TRUE(install_stand_in(join_path(game_dir, "mprofile.exe")));
  menu_process& menu = start(start_dir);
  // Giving up applies the enable rules at once: a folder registered after the menu's last
  // paint enables Play, with nothing else repainting the menu.
  ASSERT_TRUE(set_app_path(join_path(root, "absent")));
  click(menu, play_id);
  EXPECT_TRUE(wait_until([&] { return IsWindowEnabled(GetDlgItem(menu.window, play_id)); }));
  for (const char* registered : {"", " ", "absent", static_cast<const char*>(nullptr)}) {
    SCOPED_TRACE(registered == nullptr ? "no App Paths key" : std::string("[") + registered + "]");
    ASSERT_TRUE(registered ? set_app_path(*registered == 'a' ? join_path(root, registered) : registered)
                           : delete_key(app_paths_key));
    EXPECT_EQ(click_and_stay(menu, play_id) + click_and_stay(menu, network_play_id), 0u);
  }
  ASSERT_TRUE(set_app_path(game_dir) && write_bytes(join_path(game_dir, "korvexe.dat"), "GLIDE\r\n"));
  EXPECT_EQ(click_and_stay(menu, play_id) + click_and_stay(menu, network_play_id), 0u)
      << "one-line korvexe.dat";
  // A stored command may name only the game's own programs, in the install directory.
  const std::string foreign = join_path(game_dir, "korvexe.dat") +
                              " names a program that is not part of Korvamund, so nothing was started.\n\n"
                              "Choose the video driver again with Change Video Driver, or delete that file.";
  for (const char* command : {"..\\..\\start\\korv.exe -arr", "setup.exe", "C:korv.exe", "\"korv.exe\""}) {
    ASSERT_TRUE(write_bytes(join_path(game_dir, "korvexe.dat"), std::string("RAMP\r\n") + command + "\r\n"));
    click(menu, play_id);
    expect_error_box(menu, foreign.c_str());
  }

  // Only maybe-present renderers: Play and Change Video Driver run the detection, and
  // nothing else. Without the detection program, an earlier result must not be offered.
  ASSERT_TRUE(DeleteFileA(join_path(game_dir, "korvexe.dat").c_str()));
  EXPECT_EQ(click_and_stay(menu, play_id) + click_and_stay(menu, change_driver_id), 3u);
  EXPECT_EQ(read_bytes(join_path(game_dir, "korvexe.dat")), "<missing>");
  ASSERT_TRUE(DeleteFileA(join_path(game_dir, "mprofile.exe").c_str()) &&
              write_bytes(join_path(game_dir, "mdrivers.dat"), three_renderers));
  click(menu, change_driver_id);
  expect_error_box(menu, installation_error);

  // A missing game program: the error, and the current directory is put back.
  ASSERT_TRUE(write_bytes(join_path(game_dir, "korvexe.dat"), glide));
  click(menu, play_id);
  expect_error_box(menu, installation_error);
  click(menu, 8001);
  ASSERT_TRUE(wait_for_records(log_path, 3));
  const std::vector<recorder_record> records = read_recorder_log(log_path);
  EXPECT_EQ(records[0].name + " " + records[1].name + " " + records[2].name,
            "mprofile.exe mprofile.exe setup.exe");
  EXPECT_STRCASEEQ(records[2].current_dir.c_str(), start_dir.c_str());
  EXPECT_EQ(read_bytes(join_path(game_dir, "korvexe.dat")), glide);
}

TEST_F(play_test, fog_dialog_reads_the_setting_only_from_an_install_directory_and_only_ok_ends_it) {
  const std::string fog_file = join_path(game_dir, "frontend.dat");
  ASSERT_TRUE(write_bytes(fog_file, "nofog\r\n"));
  menu_process& menu = start(scratch_dir);
  // No install directory (" " counts as none): the file is never read and OK writes nothing.
  // The flag lives on for the rest of the run, though nothing stored it.
  EXPECT_EQ(set_fog_box(menu, BST_CHECKED), BST_UNCHECKED);
  ASSERT_TRUE(set_app_path(" "));
  EXPECT_EQ(set_fog_box(menu, BST_UNCHECKED), BST_CHECKED);
  EXPECT_EQ(read_bytes(fog_file), "nofog\r\n");
  EXPECT_EQ(read_bytes(join_path(scratch_dir, "frontend.dat")), "<missing>");
  // "nofog" in any case checks the box; Cancel, Escape and the close box leave it open.
  ASSERT_TRUE(set_app_path(game_dir));
  HWND dialog = nullptr;
  EXPECT_EQ(set_fog_box(menu, 0, &dialog), BST_CHECKED);
  press(dialog, IDCANCEL);
  PostMessageA(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(wait_idle(dialog)) << "the dialog ended";
  EXPECT_EQ(read_bytes(fog_file), "nofog\r\n");
  press(dialog, IDOK);
  EXPECT_TRUE(wait_closed(dialog));
  EXPECT_EQ(read_bytes(fog_file), "NOFOG\r\n");
  expect_stays_open(menu);
}

TEST_F(play_test, select_driver_lists_best_first_selects_the_default_and_only_ok_with_a_selection_writes) {
  // The detection stand-in in a game folder with a blank in its name, finding three renderers.
  game_dir = join_path(scratch_dir, "Games\\K");
  const std::string korvexe = join_path(game_dir, "korvexe.dat");
  ASSERT_TRUE(install_stand_in(join_path(game_dir, "mprofile.exe")) && set_app_path(game_dir));
  prepare_detection(three_renderers);
  menu_process& menu = start(scratch_dir);
  // Cancel and the close box leave "korvexe.dat" missing, or as it was; a stored file this
  // menu would never write shows a change of one byte.
  const std::string stored = "glide\r\nkorv3dfx.exe -ar3\r\nleft by hand";
  for (bool close_box : {false, true}) {
    ASSERT_TRUE(close_box ? write_bytes(korvexe, stored) : remove_tree(korvexe));
    HWND dialog = open_driver_dialog(menu);
    choose(dialog, 2);
    PostMessageA(dialog, close_box ? WM_SYSCOMMAND : WM_COMMAND, close_box ? SC_CLOSE : IDCANCEL, 0);
    EXPECT_TRUE(wait_closed(dialog));
    EXPECT_EQ(read_bytes(korvexe), close_box ? stored : "<missing>");
  }
  ASSERT_TRUE(remove_tree(korvexe));
  HWND dialog = open_driver_dialog(menu);
  ASSERT_TRUE(dialog);
  const recorder_record detection = read_recorder_log(log_path).back();
  EXPECT_EQ(detection.command_line, "\"" + game_dir + "\\mprofile.exe\" \"" + game_dir + "\\mdrivers.dat\"");
  EXPECT_STRCASEEQ(detection.current_dir.c_str(), scratch_dir.c_str());
  RECT rect;
  GetWindowRect(dialog, &rect);
  EXPECT_EQ(std::vector<LONG>({rect.left, rect.top}),
            std::vector<LONG>({(GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left) - 1) / 2,
                               (GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top) - 1) / 2}));
  HWND list = GetDlgItem(dialog, driver_list_id);
  EXPECT_EQ(combo_items(list), (std::vector<std::string>{"Native 3Dfx", "Direct3D MMX", "Direct3D Ramp"}));
  EXPECT_EQ(send(list, CB_GETCURSEL) * 10 + (help_text(dialog) == " "), 11);  // the best present one
  choose(dialog, 0);
  EXPECT_TRUE(wait_until([&] { return help_text(dialog) == glide_help; }));
  press(dialog, IDOK);
  EXPECT_TRUE(wait_closed(dialog));
  expect_stays_open(menu);
  EXPECT_EQ(read_bytes(korvexe), "GLIDE\r\nkorv3dfx.exe -ar3\r\n");  // 26 bytes

  // The stored choice is selected though only maybe present; OK needs a selection.
  list = GetDlgItem(dialog = open_driver_dialog(menu), driver_list_id);
  EXPECT_EQ(send(list, CB_GETCURSEL), 0);
  EXPECT_EQ(help_text(dialog), glide_help);
  send(list, CB_SETCURSEL, WPARAM(-1));
  press(dialog, IDOK);
  EXPECT_TRUE(wait_idle(dialog)) << "OK without a selection ended the dialog";
  choose(dialog, 2);
  EXPECT_TRUE(wait_until([&] { return help_text(dialog) == " "; }));
  press(dialog, IDOK);
  EXPECT_TRUE(wait_closed(dialog));
  expect_stays_open(menu);
  EXPECT_EQ(read_bytes(korvexe), "RAMP\r\nkorv.exe -arr\r\n");
}

TEST_F(play_test, the_keyboard_alone_moves_among_the_enabled_buttons_presses_them_and_chooses_a_driver) {
  ASSERT_TRUE(install_stand_in(join_path(game_dir, "mprofile.exe")));
  prepare_detection(three_renderers);
  menu_process& menu = start(scratch_dir);
  auto focus_on = [&](int id) { return wait_until([&] { return GetDlgCtrlID(focus_of(menu)) == id; }); };
  // Not installed: the focus, drawn, starts on the first enabled button and goes round them.
  EXPECT_TRUE(focus_on(8001) && !(send(focus_of(menu), WM_QUERYUISTATE) & UISF_HIDEFOCUS));
  const int moves[][2] = {{VK_TAB, 8004},   {VK_TAB, 8010}, {VK_DOWN, 8005},
                          {VK_RIGHT, 8001}, {VK_UP, 8005},  {VK_TAB, 8001}};
  for (const auto& move : moves) {
    press_key(menu, move[0]);
    EXPECT_TRUE(focus_on(move[1])) << move[1];
  }
  press_key(menu, VK_SPACE);  // Install Game, whose setup.exe is missing
  expect_error_box(menu, cdrom_error);
  // Installed: the refresh moves the focus off Install Game to the first enabled button.
  // Enter opens Select Driver, where the focus is in the list: Down chooses, Enter is OK.
  ASSERT_TRUE(set_app_path(game_dir));
  EXPECT_TRUE(wait_idle(menu.window) && focus_on(change_driver_id));
  press_key(menu, VK_RETURN);
  HWND dialog = wait_for_dialog(menu.info.dwProcessId, "Select Driver"),
       list = GetDlgItem(dialog, driver_list_id);
  press_key(menu, VK_DOWN);
  EXPECT_TRUE(wait_until([&] { return send(list, CB_GETCURSEL) == 2; }));
  press_key(menu, VK_RETURN);
  EXPECT_TRUE(wait_closed(dialog) && wait_idle(menu.window) && focus_on(change_driver_id));
  EXPECT_EQ(read_bytes(join_path(game_dir, "korvexe.dat")), "RAMP\r\nkorv.exe -arr\r\n");
}

}  // namespace
