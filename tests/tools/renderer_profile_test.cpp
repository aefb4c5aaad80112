#include "renderer_profile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string profile_text(const machine_probe& probe) {
  char text[1024];
  std::size_t length = format_profile(probe, text, sizeof text);
  EXPECT_EQ(length, std::strlen(text));
  return std::string(text, length);
}

// The driver lines of renderers not absent: "RAMP PRESENT 0|MMX PRESENT 0".
std::string offered(const machine_probe& probe) {
  std::istringstream lines(profile_text(probe));
  std::string line, text;
  std::getline(lines, line);  // the header
  std::getline(lines, line);  // the count
  while (std::getline(lines, line)) {
    line.pop_back();  // the CR
    if (line.find(" ABSENT 0") == std::string::npos) text += (text.empty() ? "" : "|") + line;
  }
  return text;
}

const machine_probe intel_with_mmx = {1, "GenuineIntel", 1, 0, 0, 0, 0, 0, 0};

}  // namespace

TEST(FormatProfile, HeaderCountAndOneCrLfLinePerRenderer) {
  EXPECT_EQ(profile_text(intel_with_mmx),
            std::string(profile_header) +
                "\r\nNUM_DRIVERS 7\r\nRAMP PRESENT 0\r\nMMX PRESENT 0\r\nPRIMARY_HAL ABSENT 0\r\n"
                "SECONDARY_HAL ABSENT 0\r\nGLIDE ABSENT 0\r\nPENTIUM_RENDERER PRESENT "
                "0\r\nK6_RENDERER ABSENT 0\r\n");
}

TEST(FormatProfile, EachProbeResultTurnsOnItsRenderer) {
  // cpuid, vendor, mmx, ddraw, primary 3D, secondary 3D, primary number, secondary number, glide
  struct {
    machine_probe probe;
    const char* offered;
  } cases[] = {
      {{0, "", 0, 0, 0, 0, 0, 0, 0}, "RAMP PRESENT 0"},
      {intel_with_mmx, "RAMP PRESENT 0|MMX PRESENT 0|PENTIUM_RENDERER PRESENT 0"},
      {{1, "AuthenticAMD", 0, 0, 0, 0, 0, 0, 0}, "RAMP PRESENT 0|K6_RENDERER PRESENT 0"},
      {{1, "CyrixInstead", 1, 0, 0, 0, 0, 0, 0}, "RAMP PRESENT 0|MMX PRESENT 0"},
      {{0, "GenuineIntel", 1, 0, 0, 0, 0, 0, 0},
       "RAMP PRESENT 0"},  // without CPUID, vendor and MMX mean nothing
      {{0, "", 0, 1, 1, 1, 1, 3, 0}, "RAMP PRESENT 0|PRIMARY_HAL PRESENT 1|SECONDARY_HAL PRESENT 3"},
      {{0, "", 0, 1, 0, 1, 1, 3, 0}, "RAMP PRESENT 0|SECONDARY_HAL PRESENT 3"},
      {{0, "", 0, 0, 1, 1, 1, 3, 0}, "RAMP PRESENT 0"},  // devices count only when DirectDraw was there
      {{0, "", 0, 0, 0, 0, 0, 0, 1}, "RAMP PRESENT 0|GLIDE MAYBEPRESENT 0"},  // a Glide DLL, maybe no board
  };
  for (const auto& c : cases) EXPECT_EQ(offered(c.probe), c.offered);
}

TEST(FormatProfile, TooSmallBufferGivesNothing) {
  const std::string full = profile_text(intel_with_mmx);
  std::vector<char> out(full.size(), 'x');  // one byte short, so an overrun is caught
  EXPECT_EQ(format_profile(intel_with_mmx, out.data(), out.size()), 0u);
  EXPECT_STREQ(out.data(), "");
  EXPECT_EQ(format_profile(intel_with_mmx, nullptr, 0), 0u);
}
