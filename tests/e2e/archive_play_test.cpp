// Play and Play Network Game with the driver choice packed into the install folder's
// FASTFILE.DAT: the menu must start exactly what it starts with a loose "korvexe.dat".
#include "harness.h"

#include <cstdio>
#include <cstring>
#include <string>
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

enum class layout { loose, packed };

// What one press of a play button started.
struct start_seen {
  bool menu_ended = false;
  DWORD menu_exit_code = 1;
  std::vector<recorder_record> records;
};

class archive_play_test : public e2e_test {
 protected:
  void SetUp() override {
    e2e_test::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    cd_dir = make_cd(scratch_dir, {});
    ASSERT_FALSE(cd_dir.empty());
  }

  // A fresh install folder holding the game programs and the driver choice laid out as
  // asked; a packed one has no loose "korvexe.dat".
  std::string install(layout how) {
    const std::string dir = join_path(scratch_dir, how == layout::packed ? "Packed Game" : "Loose Game");
    EXPECT_TRUE(make_dir(dir));
    EXPECT_TRUE(install_stand_in(join_path(dir, "korv3dfx.exe")));
    EXPECT_TRUE(install_stand_in(join_path(dir, "netlaunc.exe")));
    if (how == layout::packed) {
      // Another member before it, so the menu's record is found by name, not by place.
      EXPECT_TRUE(write_archive(join_path(dir, "FASTFILE.DAT"),
                                {{"README.TXT", "Korvamund\r\n"}, {"KORVEXE.DAT", korvexe}}));
      EXPECT_FALSE(file_exists(join_path(dir, "korvexe.dat")));
    } else {
      EXPECT_TRUE(write_file(join_path(dir, "korvexe.dat"), korvexe));
    }
    EXPECT_TRUE(set_app_path(dir));
    return dir;
  }

  // Opens the menu, presses the button and watches what starts until the menu ends.
  start_seen press(int button) {
    start_seen seen;
    DeleteFileA(log_path.c_str());
    menu_process& menu = start(join_path(cd_dir, "startup.exe"), cd_dir);
    EXPECT_TRUE(menu.window);
    if (menu.window == nullptr) return seen;
    click(menu, button);
    EXPECT_TRUE(wait_for_records(log_path, 1));
    seen.menu_ended = wait_for_exit(menu, default_timeout_ms, &seen.menu_exit_code);
    seen.records = read_recorder_log(log_path);
    return seen;
  }

  std::string cd_dir;
};

TEST_F(archive_play_test, packed_driver_choice_starts_the_same_programs_as_a_loose_one) {
  struct outcome {
    std::string dir;
    start_seen play;
    start_seen network;
  };
  std::vector<outcome> outcomes;
  for (layout how : {layout::loose, layout::packed}) {
    SCOPED_TRACE(how == layout::packed ? "packed" : "loose");
    outcome seen;
    seen.dir = install(how);
    ASSERT_FALSE(HasFailure());
    seen.play = press(play_id);
    seen.network = press(network_play_id);

    for (const start_seen* start : {&seen.play, &seen.network}) {
      EXPECT_TRUE(start->menu_ended);
      EXPECT_EQ(start->menu_exit_code, 0u);
      ASSERT_EQ(start->records.size(), 1u);
      EXPECT_STRCASEEQ(start->records[0].current_dir.c_str(), seen.dir.c_str());
    }
    // The install folder's name has a blank, so the program's path is quoted.
    EXPECT_EQ(seen.play.records[0].name, "korv3dfx.exe");
    EXPECT_EQ(seen.play.records[0].command_line, "\"" + seen.dir + "\\korv3dfx.exe\" -ar3");
    EXPECT_STRCASEEQ(seen.play.records[0].module_path.c_str(), join_path(seen.dir, "korv3dfx.exe").c_str());
    EXPECT_EQ(seen.network.records[0].name, "netlaunc.exe");
    EXPECT_EQ(seen.network.records[0].command_line, "\"" + seen.dir + "\\netlaunc.exe\" -ar3");
    // Play leaves the archive as it was and writes no loose choice beside it.
    if (how == layout::packed) EXPECT_FALSE(file_exists(join_path(seen.dir, "korvexe.dat")));
    outcomes.push_back(seen);
    // The other layout's folder must not be found by mistake.
    ASSERT_TRUE(remove_tree(seen.dir));
  }

  // Side by side, with each install folder's own name taken out.
  ASSERT_EQ(outcomes.size(), 2u);
  auto relative = [](const outcome& seen, const start_seen& start) {
    std::string line = start.records[0].command_line;
    size_t at = line.find(seen.dir);
    if (at != std::string::npos) line.replace(at, seen.dir.size(), "<dir>");
    return start.records[0].name + " | " + line;
  };
  EXPECT_EQ(relative(outcomes[0], outcomes[0].play), relative(outcomes[1], outcomes[1].play));
  EXPECT_EQ(relative(outcomes[0], outcomes[0].network), relative(outcomes[1], outcomes[1].network));
}

}  // namespace
