#include "install_plan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string normalized(const char* text) {
  char out[260];
  if (!normalize_install_dir(text, out, sizeof out)) {
    EXPECT_STREQ(out, "") << "a refused directory leaves the output empty";
    return "<refused>";
  }
  return out;
}

}  // namespace

TEST(NormalizeInstallDir, AcceptsAndTidiesDriveFolders) {
  EXPECT_EQ(normalized(default_install_dir), "C:\\Games\\Korvamund");
  EXPECT_EQ(normalized("  \"D:\\Program Files\\Korvamund\\\\\"  "), "D:\\Program Files\\Korvamund");
  EXPECT_EQ(normalized("e:/games/korv/"), "e:\\games\\korv");
  EXPECT_EQ(normalized("C:\\K"), "C:\\K");
}

TEST(NormalizeInstallDir, RefusesWhatTheMenuCannotUse) {
  EXPECT_EQ(normalized(""), "<refused>");
  EXPECT_EQ(normalized("C:\\"), "<refused>");          // a drive root cannot be removed again
  EXPECT_EQ(normalized("Games\\Korvamund"), "<refused>");  // relative
  EXPECT_EQ(normalized("\\\\server\\share\\k"), "<refused>");
  EXPECT_EQ(normalized("C:Games"), "<refused>");
  EXPECT_EQ(normalized("C:\\Games\\\\Korvamund"), "<refused>");
  EXPECT_EQ(normalized("C:\\Games\\..\\Windows"), "<refused>");
  EXPECT_EQ(normalized("C:\\Games\\.\\K"), "<refused>");
  EXPECT_EQ(normalized("C:\\Ga?mes"), "<refused>");
  EXPECT_EQ(normalized("C:\\Games\\K:2"), "<refused>");
  EXPECT_EQ(normalized("C:\\Games\\K|2"), "<refused>");
}

TEST(NormalizeInstallDir, LengthLimitIsTheMenusBuffer) {
  std::string longest = "C:\\" + std::string(install_dir_limit - 3, 'k');
  EXPECT_EQ(normalized(longest.c_str()), longest);
  EXPECT_EQ(normalized((longest + "k").c_str()), "<refused>");
  // Trailing separators do not count against the limit.
  EXPECT_EQ(normalized((longest + "\\\\").c_str()), longest);
  std::string huge = "C:\\" + std::string(5000, 'k');
  EXPECT_EQ(normalized(huge.c_str()), "<refused>");
  char small[8];
  EXPECT_EQ(normalize_install_dir("C:\\Games", small, sizeof small), 0);
}

TEST(JoinPath, JoinsWithinCapacity) {
  char out[16];
  ASSERT_EQ(join_path("C:\\K", "korv.exe", out, sizeof out), 1);
  EXPECT_STREQ(out, "C:\\K\\korv.exe");
  // 15 characters fit into 16 bytes, 16 do not.
  ASSERT_EQ(join_path("C:\\Kab", "korv.exe", out, sizeof out), 1);
  EXPECT_STREQ(out, "C:\\Kab\\korv.exe");
  EXPECT_EQ(join_path("C:\\Kabc", "korv.exe", out, sizeof out), 0);
  EXPECT_STREQ(out, "");
}

TEST(ParentDir, CutsAtTheLastSeparator) {
  char out[32];
  ASSERT_EQ(parent_dir("C:\\Games\\K\\setup.exe", out, sizeof out), 1);
  EXPECT_STREQ(out, "C:\\Games\\K");
  EXPECT_EQ(parent_dir("setup.exe", out, sizeof out), 0);
  EXPECT_EQ(parent_dir("\\setup.exe", out, sizeof out), 0);
  char small[4];
  EXPECT_EQ(parent_dir("C:\\Games\\setup.exe", small, sizeof small), 0);
  EXPECT_STREQ(small, "");
}

TEST(UninstallCommand, QuotedOnlyWithBlanks) {
  char out[64];
  ASSERT_EQ(uninstall_command("C:\\Games\\K\\uninstall.exe", out, sizeof out), 1);
  EXPECT_STREQ(out, "C:\\Games\\K\\uninstall.exe");
  ASSERT_EQ(uninstall_command("C:\\My Games\\uninstall.exe", out, sizeof out), 1);
  EXPECT_STREQ(out, "\"C:\\My Games\\uninstall.exe\"");
  char small[10];
  EXPECT_EQ(uninstall_command("C:\\a b\\u.exe", small, sizeof small), 0);  // 13 with quotes
  EXPECT_STREQ(small, "");
  EXPECT_EQ(uninstall_command("", out, sizeof out), 0);
}

TEST(SameDir, IgnoresCaseAndTrailingSeparators) {
  EXPECT_TRUE(same_dir("C:\\Games\\K", "c:\\games\\k\\"));
  EXPECT_FALSE(same_dir("C:\\Games\\K", "C:\\Games\\K2"));
  EXPECT_FALSE(same_dir("", ""));
}

TEST(ParseSwitches, SilentAndFolder) {
  demo_switches s;
  ASSERT_EQ(parse_switches("", &s), 1);
  EXPECT_FALSE(s.silent);
  EXPECT_FALSE(s.dir_given);
  ASSERT_EQ(parse_switches("/S /D=C:\\My Games\\Korvamund", &s), 1);
  EXPECT_TRUE(s.silent);
  ASSERT_TRUE(s.dir_given);
  EXPECT_STREQ(s.dir, "C:\\My Games\\Korvamund");
  ASSERT_EQ(parse_switches("-s -d=\"D:\\x y\"", &s), 1);
  EXPECT_TRUE(s.silent);
  EXPECT_STREQ(s.dir, "D:\\x y");
  // /D= takes the rest of the line, switches included.
  ASSERT_EQ(parse_switches("/D=C:\\K /S", &s), 1);
  EXPECT_FALSE(s.silent);
  EXPECT_STREQ(s.dir, "C:\\K /S");
}

TEST(ParseSwitches, WaitForProcess) {
  demo_switches s;
  ASSERT_EQ(parse_switches("/W=4242 /D=C:\\K", &s), 1);
  EXPECT_EQ(s.wait_pid, 4242ul);
  EXPECT_STREQ(s.dir, "C:\\K");
  EXPECT_EQ(parse_switches("/W=", &s), 0);
  EXPECT_EQ(parse_switches("/W=12x", &s), 0);
  EXPECT_EQ(parse_switches("/W=0", &s), 0);
}

TEST(ParseSwitches, RefusesUnknownOrBrokenSwitches) {
  demo_switches s;
  EXPECT_EQ(parse_switches("/Q", &s), 0);
  EXPECT_EQ(parse_switches("/S extra", &s), 0);
  EXPECT_EQ(parse_switches("/SS", &s), 0);
  EXPECT_EQ(parse_switches("/D=", &s), 0);
  EXPECT_EQ(parse_switches("/D=   ", &s), 0);
  std::string huge = "/D=C:\\" + std::string(400, 'x');
  EXPECT_EQ(parse_switches(huge.c_str(), &s), 0);
  std::string long_word = "/" + std::string(200, 'S');
  EXPECT_EQ(parse_switches(long_word.c_str(), &s), 0);
}
