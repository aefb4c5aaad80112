#include "renderer_profile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

machine_probe bare_machine() {
  machine_probe probe;
  std::memset(&probe, 0, sizeof probe);
  return probe;
}

machine_probe cpu(const char* vendor, int mmx) {
  machine_probe probe = bare_machine();
  probe.cpuid_available = 1;
  std::snprintf(probe.cpu_vendor, sizeof probe.cpu_vendor, "%s", vendor);
  probe.has_mmx = mmx;
  return probe;
}

struct parsed_profile {
  std::vector<std::string> lines;  // without line ends
  bool crlf_everywhere = true;
  int num_drivers = -1;
  std::map<std::string, std::pair<std::string, int>> drivers;  // key -> state, number
};

// Reads the file as the menu does: skip to "NUM_DRIVERS n", then n "%s %s %d" lines.
parsed_profile parse(const std::string& text) {
  parsed_profile result;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      result.crlf_everywhere = false;
      result.lines.push_back(text.substr(start));
      break;
    }
    if (end == start || text[end - 1] != '\r') result.crlf_everywhere = false;
    result.lines.push_back(text.substr(start, end - start - (end > start && text[end - 1] == '\r' ? 1 : 0)));
    start = end + 1;
  }
  std::size_t i = 0;
  for (; i < result.lines.size(); ++i) {
    if (std::sscanf(result.lines[i].c_str(), "NUM_DRIVERS %d", &result.num_drivers) == 1) break;
  }
  for (int taken = 0; taken < result.num_drivers && ++i < result.lines.size(); ++taken) {
    char key[32], state[32];
    int number = 0;
    if (std::sscanf(result.lines[i].c_str(), "%31s %31s %d", key, state, &number) != 3) break;
    result.drivers[key] = {state, number};
  }
  return result;
}

parsed_profile profile_of(const machine_probe& probe) {
  char text[1024];
  std::size_t length = format_profile(probe, text, sizeof text);
  EXPECT_EQ(length, std::strlen(text));
  return parse(std::string(text, length));
}

std::string state_of(const parsed_profile& profile, const char* key) {
  auto found = profile.drivers.find(key);
  return found == profile.drivers.end() ? "<missing>" : found->second.first;
}

}  // namespace

TEST(FormatProfile, LayoutTheMenuReads) {
  parsed_profile profile = profile_of(cpu("GenuineIntel", 1));
  ASSERT_GE(profile.lines.size(), 9u);
  EXPECT_EQ(profile.lines[0], profile_header);
  EXPECT_EQ(profile.lines[1], "NUM_DRIVERS 7");
  EXPECT_TRUE(profile.crlf_everywhere);
  EXPECT_EQ(profile.lines.size(), 9u);
  EXPECT_EQ(profile.num_drivers, 7);
  ASSERT_EQ(profile.drivers.size(), 7u);
  const char* order[] = {"RAMP", "MMX", "PRIMARY_HAL", "SECONDARY_HAL", "GLIDE", "PENTIUM_RENDERER", "K6_RENDERER"};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(profile.lines[2 + i].rfind(std::string(order[i]) + " ", 0), 0u) << profile.lines[2 + i];
  }
  for (const std::string& line : profile.lines) EXPECT_FALSE(line.empty()) << "an empty line ends the menu's search";
}

TEST(FormatProfile, BareMachineHasOnlyRamp) {
  parsed_profile profile = profile_of(bare_machine());
  EXPECT_EQ(state_of(profile, "RAMP"), "PRESENT");
  for (const char* key : {"MMX", "PRIMARY_HAL", "SECONDARY_HAL", "GLIDE", "PENTIUM_RENDERER", "K6_RENDERER"}) {
    EXPECT_EQ(state_of(profile, key), "ABSENT") << key;
  }
}

TEST(FormatProfile, CpuVendorsAndMmx) {
  parsed_profile intel = profile_of(cpu("GenuineIntel", 1));
  EXPECT_EQ(state_of(intel, "MMX"), "PRESENT");
  EXPECT_EQ(state_of(intel, "PENTIUM_RENDERER"), "PRESENT");
  EXPECT_EQ(state_of(intel, "K6_RENDERER"), "ABSENT");

  parsed_profile amd = profile_of(cpu("AuthenticAMD", 0));
  EXPECT_EQ(state_of(amd, "MMX"), "ABSENT");
  EXPECT_EQ(state_of(amd, "PENTIUM_RENDERER"), "ABSENT");
  EXPECT_EQ(state_of(amd, "K6_RENDERER"), "PRESENT");

  parsed_profile other = profile_of(cpu("CyrixInstead", 1));
  EXPECT_EQ(state_of(other, "MMX"), "PRESENT");
  EXPECT_EQ(state_of(other, "PENTIUM_RENDERER"), "ABSENT");
  EXPECT_EQ(state_of(other, "K6_RENDERER"), "ABSENT");

  // Without CPUID the vendor and feature fields mean nothing.
  machine_probe stale = cpu("GenuineIntel", 1);
  stale.cpuid_available = 0;
  parsed_profile none = profile_of(stale);
  EXPECT_EQ(state_of(none, "MMX"), "ABSENT");
  EXPECT_EQ(state_of(none, "PENTIUM_RENDERER"), "ABSENT");
}

TEST(FormatProfile, DisplayDevicesAndTheirNumbers) {
  machine_probe probe = bare_machine();
  probe.ddraw_available = 1;
  probe.primary_3d = 1;
  probe.primary_device = 0;
  probe.secondary_3d = 1;
  probe.secondary_device = 2;
  parsed_profile both = profile_of(probe);
  EXPECT_EQ(state_of(both, "PRIMARY_HAL"), "PRESENT");
  EXPECT_EQ(state_of(both, "SECONDARY_HAL"), "PRESENT");
  EXPECT_EQ(both.drivers["PRIMARY_HAL"].second, 0);
  EXPECT_EQ(both.drivers["SECONDARY_HAL"].second, 2);

  probe.primary_3d = 0;
  parsed_profile secondary_only = profile_of(probe);
  EXPECT_EQ(state_of(secondary_only, "PRIMARY_HAL"), "ABSENT");
  EXPECT_EQ(state_of(secondary_only, "SECONDARY_HAL"), "PRESENT");

  // Device findings count only when DirectDraw itself was there.
  probe.primary_3d = 1;
  probe.ddraw_available = 0;
  parsed_profile no_ddraw = profile_of(probe);
  EXPECT_EQ(state_of(no_ddraw, "PRIMARY_HAL"), "ABSENT");
  EXPECT_EQ(state_of(no_ddraw, "SECONDARY_HAL"), "ABSENT");
  EXPECT_EQ(no_ddraw.drivers["SECONDARY_HAL"].second, 0);
}

TEST(FormatProfile, GlideLibraryIsOnlyMaybe) {
  machine_probe probe = bare_machine();
  probe.glide_dll_found = 1;
  EXPECT_EQ(state_of(profile_of(probe), "GLIDE"), "MAYBEPRESENT");
}

TEST(FormatProfile, TooSmallBufferGivesNothing) {
  machine_probe probe = cpu("GenuineIntel", 1);
  char full[1024];
  std::size_t length = format_profile(probe, full, sizeof full);
  ASSERT_GT(length, 0u);
  std::vector<char> exact(length + 1);
  EXPECT_EQ(format_profile(probe, exact.data(), exact.size()), length);
  EXPECT_STREQ(exact.data(), full);
  std::vector<char> short_by_one(length);
  EXPECT_EQ(format_profile(probe, short_by_one.data(), short_by_one.size()), 0u);
  EXPECT_STREQ(short_by_one.data(), "");
  char tiny[4];
  EXPECT_EQ(format_profile(probe, tiny, sizeof tiny), 0u);
  EXPECT_EQ(format_profile(probe, tiny, 0), 0u);
}

TEST(RendererStateWord, WordsTheMenuKnows) {
  EXPECT_STREQ(renderer_state_word(RENDERER_PRESENT), "PRESENT");
  EXPECT_STREQ(renderer_state_word(RENDERER_MAYBEPRESENT), "MAYBEPRESENT");
  EXPECT_STREQ(renderer_state_word(RENDERER_ABSENT), "ABSENT");
}
