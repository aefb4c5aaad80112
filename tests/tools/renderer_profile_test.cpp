// The detection program's result file, from what it found on the machine.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "renderer_profile.h"

namespace {

std::string profile_text(const machine_probe& probe) {
  char text[1024];
  const std::size_t length = format_profile(probe, text, sizeof text);
  EXPECT_EQ(length, std::strlen(text));
  return std::string(text, length);
}

const machine_probe intel_with_mmx = {1, "GenuineIntel", 1, 0, 0, 0, 0, 0, 0};

}  // namespace

TEST(renderer_profile, header_count_and_one_cr_lf_line_per_renderer) {
  const std::string full = profile_text(intel_with_mmx);
  EXPECT_EQ(full, std::string(profile_header) +
                      "\r\nNUM_DRIVERS 7\r\nRAMP PRESENT 0\r\nMMX PRESENT 0\r\nPRIMARY_HAL ABSENT 0\r\n"
                      "SECONDARY_HAL ABSENT 0\r\nGLIDE ABSENT 0\r\nPENTIUM_RENDERER PRESENT 0\r\nK6_RENDERER "
                      "ABSENT 0\r\n");
  std::vector<char> out(full.size(), 'x');  // one byte short, so an overrun is caught
  EXPECT_EQ(
      format_profile(intel_with_mmx, out.data(), out.size()) + format_profile(intel_with_mmx, nullptr, 0),
      0u);
  EXPECT_STREQ(out.data(), "");
}

TEST(renderer_profile, each_probe_result_turns_on_its_renderer) {
  // cpuid, vendor, mmx, ddraw, primary 3D, secondary 3D, primary number, secondary number, glide
  const std::pair<machine_probe, const char*> cases[] = {
      // clang-format off
      {{0, "", 0, 0, 0, 0, 0, 0, 0}, "RAMP PRESENT 0"},
      {intel_with_mmx, "RAMP PRESENT 0|MMX PRESENT 0|PENTIUM_RENDERER PRESENT 0"},
      {{1, "AuthenticAMD", 0, 0, 0, 0, 0, 0, 0}, "RAMP PRESENT 0|K6_RENDERER PRESENT 0"},
      {{1, "CyrixInstead", 1, 0, 0, 0, 0, 0, 0}, "RAMP PRESENT 0|MMX PRESENT 0"},
      {{0, "GenuineIntel", 1, 0, 0, 0, 0, 0, 0}, "RAMP PRESENT 0"},  // without CPUID, vendor and MMX mean nothing
      {{0, "", 0, 1, 1, 1, 1, 3, 0}, "RAMP PRESENT 0|PRIMARY_HAL PRESENT 1|SECONDARY_HAL PRESENT 3"},
      {{0, "", 0, 1, 0, 1, 1, 3, 0}, "RAMP PRESENT 0|SECONDARY_HAL PRESENT 3"},
      {{0, "", 0, 0, 1, 1, 1, 3, 0}, "RAMP PRESENT 0"},  // devices count only when DirectDraw was there
      {{0, "", 0, 0, 0, 0, 0, 0, 1}, "RAMP PRESENT 0|GLIDE MAYBEPRESENT 0"},  // a Glide DLL, maybe no board
      // clang-format on
  };
  for (const auto& [probe, expected] : cases) {
    std::istringstream lines(profile_text(probe));
    std::string line, offered;
    std::getline(lines, line) && std::getline(lines, line);  // the header and the count
    while (std::getline(lines, line))
      if (line.find(" ABSENT 0") == std::string::npos)
        offered += (offered.empty() ? "" : "|") + line.substr(0, line.size() - 1);
    EXPECT_EQ(offered, expected);
  }
}
