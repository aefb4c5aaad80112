#include "install_plan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(InstallPlan, NormalizesTheInstallDirOrRefusesItLeavingNothing) {
  const std::string longest = "C:\\" + std::string(install_dir_limit - 3, 'k');
  struct {
    std::string typed;
    std::string stored;  // "" when refused
  } cases[] = {
      {"C:\\Games\\Korvamund", "C:\\Games\\Korvamund"},
      {"  \"D:\\Program Files\\Korvamund\\\\\"  ", "D:\\Program Files\\Korvamund"},
      {"e:/games/korv/", "e:\\games\\korv"},
      {longest, longest},
      {longest + "\\\\", longest},  // trailing separators do not count against the limit
      {longest + "k", ""},
      {"C:\\" + std::string(5000, 'k'), ""},
      {"", ""},
      {"C:\\", ""},  // a drive root cannot be removed again
      {"Games\\Korvamund", ""},
      {"C:Games", ""},
      {"C:\\Games\\\\Korvamund", ""},
      {"C:\\Games\\..\\Windows", ""},
      {"C:\\Ga?mes", ""},
      {"C:\\Games\\K|2", ""},
  };
  for (const auto& c : cases) {
    char out[260];
    EXPECT_EQ(normalize_install_dir(c.typed.c_str(), out, sizeof out), c.stored.empty() ? 0 : 1) << c.typed;
    EXPECT_EQ(std::string(out), c.stored);
  }
  char small[8];
  EXPECT_EQ(normalize_install_dir("C:\\Games", small, sizeof small), 0);
}

TEST(InstallPlan, PathPiecesFitTheirBuffersOrAreRefused) {
  char out[16];
  ASSERT_EQ(join_path("C:\\Kab", "korv.exe", out, sizeof out), 1);  // 15 characters fit in 16 bytes
  EXPECT_STREQ(out, "C:\\Kab\\korv.exe");
  EXPECT_EQ(join_path("C:\\Kabc", "korv.exe", out, sizeof out), 0);
  EXPECT_STREQ(out, "");

  ASSERT_EQ(parent_dir("C:\\Games\\K\\setup.exe", out, sizeof out), 1);
  EXPECT_STREQ(out, "C:\\Games\\K");
  EXPECT_EQ(parent_dir("setup.exe", out, sizeof out), 0);
  EXPECT_EQ(parent_dir("\\setup.exe", out, sizeof out), 0);
  EXPECT_EQ(parent_dir("C:\\Games\\setup.exe", out, 4), 0);
  EXPECT_STREQ(out, "");

  char command[64];
  ASSERT_EQ(uninstall_command("C:\\Games\\K\\uninstall.exe", command, sizeof command), 1);
  EXPECT_STREQ(command, "C:\\Games\\K\\uninstall.exe");
  ASSERT_EQ(uninstall_command("C:\\My Games\\uninstall.exe", command, sizeof command), 1);
  EXPECT_STREQ(command, "\"C:\\My Games\\uninstall.exe\"");
  EXPECT_EQ(uninstall_command("C:\\a b\\u.exe", command, 13), 0);  // 13 characters with the quotes
  EXPECT_STREQ(command, "");
  EXPECT_EQ(uninstall_command("", command, sizeof command), 0);

  EXPECT_TRUE(same_dir("C:\\Games\\K", "c:\\games\\k\\"));
  EXPECT_FALSE(same_dir("C:\\Games\\K", "C:\\Games\\K2"));
  EXPECT_FALSE(same_dir("", ""));
}

TEST(InstallPlan, ParsesTheSwitches) {
  const std::string longest = "C:\\" + std::string(sizeof demo_switches::dir - 4, 'x');
  struct {
    std::string arguments;
    int ok;
    int silent;
    const char* dir;  // nullptr: no /D=
    unsigned long wait_pid;
  } cases[] = {
      {"", 1, 0, nullptr, 0},
      {"/S /D=C:\\My Games\\Korvamund", 1, 1, "C:\\My Games\\Korvamund", 0},
      {"-s -d=\"D:\\x y\"", 1, 1, "D:\\x y", 0},
      {"/D=C:\\K /S", 1, 0, "C:\\K /S", 0},  // /D= takes the rest of the line
      {"/W=4242 /D=C:\\K", 1, 0, "C:\\K", 4242},
      {"/W=", 0},
      {"/W=12x", 0},
      {"/W=0", 0},
      {"/Q", 0},
      {"/S extra", 0},
      {"/SS", 0},
      {"/D=", 0},
      {"/D=   ", 0},
      {"/D=\"\"", 0},
      {"/" + std::string(200, 'S'), 0},
      {"/D=" + longest, 1, 0, longest.c_str(), 0},  // the longest folder that fits
      {"/D=" + longest + "x", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.substr(0, 40));
    demo_switches parsed;
    ASSERT_EQ(parse_switches(c.arguments.c_str(), &parsed), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(parsed.silent, c.silent);
    EXPECT_EQ(parsed.dir_given, c.dir != nullptr);
    EXPECT_STREQ(parsed.dir, c.dir ? c.dir : "");
    EXPECT_EQ(parsed.wait_pid, c.wait_pid);
  }
}
