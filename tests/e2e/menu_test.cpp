// The menu window as a player meets it: the window, its picture and buttons, which buttons
// are enabled for which registry value, the single-instance refusals, and the setup
// commands with the programs they start and the outcomes that close the menu.
#include <cstring>
#include <string>

#include "harness.h"

namespace {

struct button_row {
  int id;
  const char* label;
  int y, height;
  bool when_installed, when_not_installed;
};
// clang-format off
const button_row buttons[] = {  // in creation order, top to bottom
    {8009, "Change Video Driver", 245, 30, true, false}, {8002, "Play Korvamund", 275, 45, true, false},
    {8008, "Play Network Game", 320, 45, true, false},   {8001, "Install Game", 365, 30, false, true},
    {8004, "Install DirectX", 395, 30, true, true},      {8006, "Uninstall Game", 425, 30, true, false},
    {8010, "Graphics Troubleshooting", 455, 30, true, true}, {8005, "Exit", 485, 30, true, true}};
// clang-format on

bool enabled_as(const menu_process& menu, bool installed) {
  for (const button_row& row : buttons)
    if (!IsWindowEnabled(GetDlgItem(menu.window, row.id)) ==
        (installed ? row.when_installed : row.when_not_installed))
      return false;
  return true;
}

// Points of the picture, each read from the middle of the square that shows it at a whole
// scale: on the screen in the window's client area, or in bitmap 127 of a menu program.
std::vector<COLORREF> picture_samples(HDC dc, POINT origin, int scale) {
  std::vector<COLORREF> samples;
  for (int y = 3; y < 240; y += 29)
    for (int x = 5; x < 310; x += 31)
      samples.push_back(GetPixel(dc, origin.x + scale * x, origin.y + scale * y));
  return samples;
}
std::vector<COLORREF> screen_picture(HWND window, int scale) {
  POINT origin{scale / 2, scale / 2};
  ClientToScreen(window, &origin);
  HDC screen = GetDC(nullptr);
  const std::vector<COLORREF> samples = picture_samples(screen, origin, scale);
  ReleaseDC(nullptr, screen);
  return samples;
}
std::vector<COLORREF> resource_picture(const std::string& exe_path) {
  HMODULE exe = LoadLibraryExA(exe_path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HDC picture = CreateCompatibleDC(nullptr);
  HGDIOBJ replaced = SelectObject(picture, LoadBitmapA(exe, MAKEINTRESOURCEA(127)));
  const std::vector<COLORREF> samples = picture_samples(picture, {0, 0}, 1);
  DeleteObject(SelectObject(picture, replaced));
  DeleteDC(picture);
  FreeLibrary(exe);
  return samples;
}

using menu_test = e2e_test;

TEST_F(menu_test, window_picture_buttons_and_the_registry_values_that_enable_them) {
  const std::string install_dir = join_path(scratch_dir, "Korv Games");
  ASSERT_TRUE(make_directory(install_dir) && install_stand_in(join_path(cd_dir, "setup.exe")));
  menu_process& menu = start(scratch_dir);
  ASSERT_NE(menu.window, nullptr);
  EXPECT_EQ(window_text(menu.window), menu_class_name);
  EXPECT_EQ(GetWindowLongA(menu.window, GWL_STYLE) & ~(WS_VISIBLE | WS_CLIPSIBLINGS),
            WS_CAPTION | WS_SYSMENU);
  RECT outer;
  GetWindowRect(menu.window, &outer);
  EXPECT_EQ(std::vector<LONG>({outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top}),
            std::vector<LONG>({(GetSystemMetrics(SM_CXSCREEN) - 325 - 1) / 2,
                               (GetSystemMetrics(SM_CYSCREEN) - 545 - 1) / 2, 325, 545}));
  HWND child = GetWindow(menu.window, GW_CHILD);
  for (const button_row& row : buttons) {
    ASSERT_NE(child, nullptr) << row.label;
    char class_name[64] = {};
    GetClassNameA(child, class_name, sizeof class_name);
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, menu.window, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(std::vector<std::string>({class_name, window_text(child)}),
              std::vector<std::string>({"Button", row.label}));
    EXPECT_EQ(std::vector<LONG>({GetDlgCtrlID(child), GetWindowLongA(child, GWL_STYLE) & ~WS_DISABLED,
                                 GetWindowLongA(child, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY, rect.left,
                                 rect.top, rect.right - rect.left, rect.bottom - rect.top}),
              std::vector<LONG>({row.id, 0x50014000, 0, 5, row.y, 310, row.height}))
        << row.label;
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr);

  // The picture, bitmap 127 of the menu's own resources, at the top left (once the screen
  // shows the paint); below it the background.
  const std::vector<COLORREF> picture = resource_picture(join_path(cd_dir, "startup.exe"));
  EXPECT_TRUE(wait_until([&] { return screen_picture(menu.window, 1) == picture; }));
  POINT below{2, 242};
  ClientToScreen(menu.window, &below);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetPixel(screen, below.x, below.y), GetSysColor(COLOR_INACTIVEBORDER));
  ReleaseDC(nullptr, screen);

  // Every notification but a click, and ids no button carries, apply the rules again: any
  // whole text value of at most 127 characters counts as installed, even " " or "".
  const std::string k127(127, 'k');
  struct registry_row {
    DWORD type;  // 0: no key
    std::string value;
    int id, notification;
    bool installed;
  };
  // clang-format off
  const registry_row rows[] = {
      {REG_SZ, install_dir + '\0', 8005, BN_SETFOCUS, true}, {0, "", 8002, BN_KILLFOCUS, false},
      {REG_SZ, std::string(" \0", 2), 8003, BN_CLICKED, true}, {0, "", 8001, BN_DOUBLECLICKED, false},
      {REG_SZ, std::string(1, '\0'), 8007, BN_CLICKED, true}, {REG_DWORD, "K:\\\0", 8006, BN_SETFOCUS, false},
      {REG_EXPAND_SZ, install_dir + '\0', 8009, BN_SETFOCUS, true}, {REG_SZ, k127 + "k" + '\0', 8010, 6, false},
      {REG_SZ, k127 + '\0', 8008, BN_KILLFOCUS, true}, {REG_MULTI_SZ, install_dir + '\0' + '\0', 8004, 6, false},
      {REG_SZ, k127, 8003, BN_CLICKED, true}, {REG_SZ, k127 + "k", 8003, BN_CLICKED, false}};
  // clang-format on
  for (const registry_row& row : rows) {
    ASSERT_TRUE(row.type ? set_registry_raw(app_paths_key, "Path", row.type, row.value.data(),
                                            DWORD(row.value.size()))
                         : delete_key(app_paths_key));
    click(menu, row.id, row.notification);
    EXPECT_TRUE(wait_until([&] { return enabled_as(menu, row.installed); })) << &row - rows;
  }
  for (int notification : {BN_SETFOCUS, BN_KILLFOCUS, BN_DOUBLECLICKED})
    for (const button_row& row : buttons) click(menu, row.id, notification);
  expect_stays_open(menu);
  EXPECT_TRUE(read_recorder_log(log_path).empty());
}

// Moved to a monitor of another DPI (posted: Wine gives every monitor one), the menu scales
// its client area, its buttons by their edges and its picture by whole pixels.
TEST_F(menu_test, a_new_dpi_scales_client_area_buttons_and_picture) {
  menu_process& menu = start(scratch_dir);
  const std::vector<COLORREF> picture = resource_picture(join_path(cd_dir, "startup.exe"));
  RECT client96, client, rect;
  GetClientRect(menu.window, &client96);
  for (int dpi : {144, 192, 120, 96}) {
    auto at_dpi = [dpi](LONG length) { return (length * dpi + 48) / 96; };
    PostMessageA(menu.window, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), 0);
    ASSERT_TRUE(wait_idle(menu.window) && GetClientRect(menu.window, &client));
    EXPECT_EQ(client.right, at_dpi(client96.right)) << dpi;
    for (const button_row& row : buttons) {
      GetWindowRect(GetDlgItem(menu.window, row.id), &rect);
      MapWindowPoints(nullptr, menu.window, reinterpret_cast<POINT*>(&rect), 2);
      EXPECT_EQ(std::vector<LONG>({rect.left, rect.top, rect.right, rect.bottom}),
                std::vector<LONG>({at_dpi(5), at_dpi(row.y), at_dpi(315), at_dpi(row.y + row.height)}));
    }
    if (dpi % 96 == 0)
      EXPECT_TRUE(wait_until([&] { return screen_picture(menu.window, dpi / 96) == picture; })) << dpi;
  }
}

TEST_F(menu_test, a_running_game_or_menu_stops_the_start_and_near_misses_do_not) {
  std::vector<HWND> foreign;
  auto make_window = [&](const char* class_name, const char* title) {
    WNDCLASSA window_class{0, DefWindowProcA};
    window_class.lpszClassName = class_name;
    RegisterClassA(&window_class);
    foreign.push_back(
        CreateWindowExA(0, class_name, title, 0, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr));
  };
  // Each near miss matches the game's or the menu's window in class or title alone.
  for (auto [class_name, title] : {std::pair{"Korvamund", "Korvamund Startup"},
                                   {"KorvamundX", "Korvamund"},
                                   {"Korvamund Startup", "Korvamund"},
                                   {"X", "Korvamund Startup"}})
    make_window(class_name, title);
  menu_process& first = start(scratch_dir);
  for (bool game_runs : {false, true}) {
    if (game_runs) end_menu(&first), make_window(game_class_name, game_class_name);
    menu_process& refused = start(scratch_dir);
    DWORD exit_code = 1;
    EXPECT_TRUE(wait_for_exit(refused, default_timeout_ms, &exit_code) && exit_code == 0);
    EXPECT_EQ(menu_windows().size(), game_runs ? 0u : 1u);
  }
  for (HWND window : foreign) DestroyWindow(window);
}

// The commands that start a setup program, and Exit and the close box. {disc} is a CD-ROM
// drive holding the game's disc when the row gives its label; E: is a second, fixed drive.
enum class after { stays, closes, cdrom_error, install_error };
struct command_case {
  int button;                // 0: the close box
  const char* stand_ins[2];  // recorder copies to place
  const char* current_dir;
  const char *app_path, *uninstall;  // null: no such key
  const char* started;               // the program expected to start, null: none
  const char* command_line;
  after outcome;
  const char* disc_label;  // the volume label of {disc}; null: none
};
// clang-format off
const command_case command_cases[] = {
    // Install Game from the disc: setup.exe beside the menu wins over one in the current directory.
    {8001, {"{cd}\\setup.exe", "{disc}\\work\\setup.exe"}, "{disc}\\work", nullptr, nullptr, "{cd}\\setup.exe", "setup.exe", after::stays},
    {8001, {"{disc}\\work\\setup.exe"}, "{disc}\\work", " ", nullptr, "{disc}\\work\\setup.exe", "setup.exe", after::stays},
    {8001, {"{cd}\\setup.exe"}, "{disc}\\work", "", nullptr, "{cd}\\setup.exe", "setup.exe", after::stays},
    {8001, {"{cd}\\setup.exe"}, "{disc}\\work", "{install}", nullptr, "{cd}\\setup.exe", "setup.exe", after::closes},
    {8001, {}, "{disc}\\work", "{install}", nullptr, nullptr, nullptr, after::cdrom_error},
    // The installed menu: only the game's disc, found by its label, never the game folder.
    {8001, {"{install}\\setup.exe", "{disc}\\setup.exe"}, "{install}", "{install}", nullptr, "{disc}\\setup.exe", "{disc}\\setup.exe", after::closes, "Korvamund"},
    {8001, {"{install}\\setup.exe", "{disc}\\setup.exe"}, "{install}", "{install}", nullptr, nullptr, nullptr, after::cdrom_error, "OTHER GAME"},
    // Install DirectX: below the root of the current drive on the disc, not beside the menu;
    // from elsewhere, on the game's disc.
    {8004, {"{disc}\\redist\\directx\\dxsetup.exe", "{cd}\\dxsetup.exe"}, "{disc}\\Setup\\Disk 1", nullptr, nullptr,
     "{disc}\\redist\\directx\\dxsetup.exe", "{disc}\\redist\\directx\\dxsetup.exe", after::stays},
    {8004, {"E:\\redist\\directx\\dxsetup.exe", "{disc}\\redist\\directx\\dxsetup.exe"}, "E:\\Setup", "{install}", nullptr,
     "{disc}\\redist\\directx\\dxsetup.exe", "{disc}\\redist\\directx\\dxsetup.exe", after::stays, "KORVAMUND"},
    {8004, {"E:\\redist\\directx\\dxsetup.exe"}, "E:\\Setup", nullptr, nullptr, nullptr, nullptr, after::cdrom_error},
    // Uninstall Game: the registered command as it is; any registered path keeps the menu.
    {8006, {"{install}\\uninstall.exe"}, "{work}", "{install}", "\"{install}\\uninstall.exe\" -remove \"K\"",
     "{install}\\uninstall.exe", "\"{install}\\uninstall.exe\" -remove \"K\"", after::stays},
    {8006, {"{install}\\uninstall.exe"}, "{work}", " ", "\"{install}\\uninstall.exe\"", "{install}\\uninstall.exe",
     "\"{install}\\uninstall.exe\"", after::stays},
    {8006, {"{install}\\uninstall.exe"}, "{work}", nullptr, "\"{install}\\uninstall.exe\"",
     "{install}\\uninstall.exe", "\"{install}\\uninstall.exe\"", after::closes},
    {8006, {"{cd}\\uninstall.exe"}, "{work}", "{install}", " ", nullptr, nullptr, after::stays},
    {8006, {"{cd}\\uninstall.exe"}, "{work}", nullptr, "", nullptr, nullptr, after::closes},
    {8006, {"{cd}\\uninstall.exe"}, "{work}", "{install}", nullptr, nullptr, nullptr, after::stays},
    {8006, {}, "{work}", nullptr, "\"{install}\\missing.exe\" /remove", nullptr, nullptr, after::install_error},
    // Exit, with an Install Game click queued behind it that must start nothing.
    {8005, {"{cd}\\setup.exe"}, "{work}", "{install}", nullptr, nullptr, nullptr, after::closes},
    {0, {}, "{work}", nullptr, nullptr, nullptr, nullptr, after::closes}};
// clang-format on

TEST_F(menu_test, commands_start_their_program_and_close_the_menu_as_the_install_state_says) {
  const std::string disc_folder = join_path(scratch_dir, "disc");
  ASSERT_TRUE(make_directory(disc_folder));
  const std::string disc = mount_disc(disc_folder);
  for (const command_case& c : command_cases) {
    SCOPED_TRACE("row " + std::to_string(&c - command_cases));
    const std::string root = join_path(scratch_dir, std::to_string(&c - command_cases));
    const std::string folders[4][2] = {{"{cd}", cd_dir},
                                       {"{work}", join_path(root, "work dir")},
                                       {"{install}", join_path(root, "Korv Games")},
                                       {"{disc}", disc}};
    auto full = [&](std::string text) {  // each {cd}, {work}, {install} and {disc} replaced by its folder
      for (const auto& [name, folder] : folders)
        for (size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), folder);
      return text;
    };
    ASSERT_TRUE(remove_tree("E:\\Setup") && remove_tree("E:\\redist") && make_directory("E:\\Setup\\Disk 1"));
    ASSERT_TRUE(remove_tree(disc_folder) && make_directory(join_path(disc_folder, "work")) &&
                make_directory(join_path(disc_folder, "Setup\\Disk 1")));
    if (c.disc_label) ASSERT_TRUE(write_bytes(join_path(disc_folder, ".windows-label"), c.disc_label));
    ASSERT_EQ(mount_disc(disc_folder), disc);
    ASSERT_TRUE(make_directory(full("{work}")) && make_directory(full("{install}")) &&
                remove_tree(full("{cd}\\setup.exe")));
    for (const char* stand_in : c.stand_ins)
      if (stand_in) ASSERT_TRUE(install_stand_in(full(stand_in)));
    ASSERT_TRUE(c.app_path ? set_app_path(full(c.app_path)) : delete_key(app_paths_key));
    const std::string uninstall = c.uninstall ? full(c.uninstall) : "";
    ASSERT_TRUE(c.uninstall ? set_registry_raw(uninstall_key, "UninstallString", REG_SZ, uninstall.c_str(),
                                               DWORD(uninstall.size() + 1))
                            : delete_key(uninstall_key));
    DeleteFileA(log_path.c_str());
    menu_process& menu = start(full(c.current_dir));
    SuspendThread(menu.info.hThread);  // the menu's thread: a second click queues behind the first
    if (c.button == 0) PostMessageA(menu.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (c.button != 0) click(menu, c.button);
    if (c.button == 8005) click(menu, 8001);
    ResumeThread(menu.info.hThread);
    if (c.started) EXPECT_TRUE(wait_for_records(log_path, 1));
    if (c.outcome == after::closes) expect_closes(menu);
    if (c.outcome == after::cdrom_error) expect_error_box(menu, cdrom_error);
    if (c.outcome == after::install_error) expect_error_box(menu, installation_error);
    if (c.outcome != after::closes) expect_stays_open(menu);
    const std::vector<recorder_record> records = read_recorder_log(log_path);
    ASSERT_EQ(records.size(), c.started ? 1u : 0u);
    if (c.started) {
      EXPECT_STRCASEEQ(records[0].module_path.c_str(), full(c.started).c_str());
      EXPECT_EQ(records[0].command_line, full(c.command_line));
      EXPECT_EQ(records[0].show_command, "9");  // SW_RESTORE
      EXPECT_STRCASEEQ(records[0].current_dir.c_str(), full(c.current_dir).c_str());
    }
    end_menu(&menu);
  }
  remove_tree("E:\\Setup");
  remove_tree("E:\\redist");
}

}  // namespace
