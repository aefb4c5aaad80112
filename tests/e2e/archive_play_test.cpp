// Play and Play Network Game with the driver choice packed into the install folder's
// FASTFILE.DAT start what they start with a loose "korvexe.dat" (see play_test).
#include "harness.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "filelib/fastfile_format.h"

namespace {

constexpr int play_id = 8002;
constexpr int network_play_id = 8008;

const char korvexe[] = "GLIDE\r\nkorv3dfx.exe -ar3\r\n";

struct packed_member {
  const char* name;
  std::string bytes;
};

// Writes an archive with the library's writer; true when every byte was written.
bool write_archive(const std::string& path, const std::vector<packed_member>& contents) {
  std::vector<fastfile_member> members(contents.size());
  for (size_t i = 0; i < contents.size(); ++i) {
    if (std::strlen(contents[i].name) > static_cast<size_t>(fastfile_name_limit)) return false;
    std::snprintf(members[i].name, sizeof members[i].name, "%s", contents[i].name);
    members[i].size = static_cast<std::uint32_t>(contents[i].bytes.size());
  }
  const int count = static_cast<int>(members.size());
  std::uint32_t header_length = 0;
  if (!fastfile_plan_layout(members.data(), count, 0, &header_length)) return false;
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  bool ok = fastfile_write_header(out, members.data(), count, 0, header_length) != 0;
  for (size_t i = 0; ok && i < contents.size(); ++i) {
    ok = fastfile_write_member_bytes(out, contents[i].bytes.data(), members[i].size) != 0;
  }
  return std::fclose(out) == 0 && ok;
}

class archive_play_test : public e2e_test {};

TEST_F(archive_play_test, packed_driver_choice_drives_play_and_network_play) {
  // The folder's name has a blank, so the program's path is quoted.
  const std::string dir = join_path(scratch_dir, "Packed Game");
  ASSERT_TRUE(make_dir(dir));
  for (const char* program : {"korv3dfx.exe", "netlaunc.exe"})
    ASSERT_TRUE(install_stand_in(join_path(dir, program)));
  // Another member before it, so the menu's record is found by name, not by place.
  ASSERT_TRUE(write_archive(join_path(dir, "FASTFILE.DAT"),
                            {{"README.TXT", "Korvamund\r\n"}, {"KORVEXE.DAT", korvexe}}));
  ASSERT_TRUE(set_app_path(dir));
  const std::pair<int, const char*> buttons[] = {{play_id, "korv3dfx.exe"},
                                                 {network_play_id, "netlaunc.exe"}};
  for (const auto& button : buttons) {
    SCOPED_TRACE(button.second);
    DeleteFileA(log_path.c_str());
    menu_process& menu = start_from_cd(cd_dir);
    ASSERT_TRUE(menu.window);
    click(menu, button.first);
    ASSERT_TRUE(wait_for_records(log_path, 1));
    DWORD exit_code = 1;
    EXPECT_TRUE(wait_for_exit(menu, default_timeout_ms, &exit_code));
    EXPECT_EQ(exit_code, 0u);
    std::vector<recorder_record> records = read_recorder_log(log_path);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].command_line, "\"" + join_path(dir, button.second) + "\" -ar3");
    EXPECT_STRCASEEQ(records[0].module_path.c_str(), join_path(dir, button.second).c_str());
    EXPECT_STRCASEEQ(records[0].current_dir.c_str(), dir.c_str());
    // Play writes no loose choice beside the archive.
    EXPECT_FALSE(file_exists(join_path(dir, "korvexe.dat")));
  }
}

}  // namespace
