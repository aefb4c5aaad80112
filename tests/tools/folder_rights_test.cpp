// Setup's rules for the game folder: which entries it may find there, and which rights go
// to which path, in which order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "folder_rights.h"

namespace {

std::vector<std::string> set_calls;
unsigned long failing_call = 0;  // 1-based; 0: none fails

unsigned long record(const char* path, const char* sddl) {
  set_calls.push_back(std::string(path) + " " + sddl);
  return set_calls.size() == failing_call ? 5 : 0;
}

}  // namespace

TEST(folder_rights, only_plain_files_setup_and_the_menu_write_may_be_in_the_folder) {
  const char* const known[] = {"korv.exe", "korvexe.dat", "uninstall.exe"};
  const struct {
    const char* name;
    bool is_folder, is_reparse_point;
    folder_verdict verdict;
  } cases[] = {{"korv.exe", false, false, folder_usable},
               {"KORVEXE.DAT", false, false, folder_usable},
               {"korv.exe.bak", false, false, folder_foreign_entry},
               {"ddraw.dll", false, false, folder_foreign_entry},
               {"korv.exe", true, false, folder_foreign_entry},
               {"korvexe.dat", false, true, folder_reparse_point},
               {"saves", true, true, folder_reparse_point},
               {"", false, false, folder_foreign_entry}};
  for (const auto& c : cases)
    EXPECT_EQ(judge_folder_entry(c.name, c.is_folder, c.is_reparse_point, known, 3), c.verdict) << c.name;
}

TEST(folder_rights, each_program_is_closed_to_players_before_the_folder_opens_and_a_failure_ends_it) {
  const char* const programs[] = {"korv.exe", "uninstall.exe"};
  const std::string game = "C:\\Games\\K";
  char failed[64];
  for (unsigned long fail_at : {0ul, 2ul}) {
    set_calls.clear();
    failing_call = fail_at;
    EXPECT_EQ(protect_game_folder(game.c_str(), programs, 2, record, failed, sizeof failed),
              fail_at ? 5u : 0u);
    std::vector<std::string> expected = {game + "\\korv.exe " + program_rights,
                                         game + "\\uninstall.exe " + program_rights,
                                         game + " " + game_folder_rights};
    expected.resize(fail_at ? fail_at : 3);
    EXPECT_EQ(set_calls, expected);
    EXPECT_EQ(std::string(failed), fail_at ? game + "\\uninstall.exe" : "");
  }
  EXPECT_EQ(protect_game_folder(std::string(70, 'd').c_str(), programs, 2, record, failed, sizeof failed),
            206u);
}
