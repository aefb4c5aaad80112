#include "renderer_profile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "profile_reader.h"

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

parsed_profile profile_of(const machine_probe& probe) {
  char text[1024];
  std::size_t length = format_profile(probe, text, sizeof text);
  EXPECT_EQ(length, std::strlen(text));
  return read_profile(std::string(text, length));
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
  EXPECT_EQ(profile.state_of("RAMP"), "PRESENT");
  for (const char* key : {"MMX", "PRIMARY_HAL", "SECONDARY_HAL", "GLIDE", "PENTIUM_RENDERER", "K6_RENDERER"}) {
    EXPECT_EQ(profile.state_of(key), "ABSENT") << key;
  }
}

TEST(FormatProfile, CpuVendorsAndMmx) {
  parsed_profile intel = profile_of(cpu("GenuineIntel", 1));
  EXPECT_EQ(intel.state_of("MMX"), "PRESENT");
  EXPECT_EQ(intel.state_of("PENTIUM_RENDERER"), "PRESENT");
  EXPECT_EQ(intel.state_of("K6_RENDERER"), "ABSENT");

  parsed_profile amd = profile_of(cpu("AuthenticAMD", 0));
  EXPECT_EQ(amd.state_of("MMX"), "ABSENT");
  EXPECT_EQ(amd.state_of("PENTIUM_RENDERER"), "ABSENT");
  EXPECT_EQ(amd.state_of("K6_RENDERER"), "PRESENT");

  parsed_profile other = profile_of(cpu("CyrixInstead", 1));
  EXPECT_EQ(other.state_of("MMX"), "PRESENT");
  EXPECT_EQ(other.state_of("PENTIUM_RENDERER"), "ABSENT");
  EXPECT_EQ(other.state_of("K6_RENDERER"), "ABSENT");

  // Without CPUID the vendor and feature fields mean nothing.
  machine_probe stale = cpu("GenuineIntel", 1);
  stale.cpuid_available = 0;
  parsed_profile none = profile_of(stale);
  EXPECT_EQ(none.state_of("MMX"), "ABSENT");
  EXPECT_EQ(none.state_of("PENTIUM_RENDERER"), "ABSENT");
}

TEST(FormatProfile, DisplayDevicesAndTheirNumbers) {
  machine_probe probe = bare_machine();
  probe.ddraw_available = 1;
  probe.primary_3d = 1;
  probe.primary_device = 0;
  probe.secondary_3d = 1;
  probe.secondary_device = 2;
  parsed_profile both = profile_of(probe);
  EXPECT_EQ(both.state_of("PRIMARY_HAL"), "PRESENT");
  EXPECT_EQ(both.state_of("SECONDARY_HAL"), "PRESENT");
  EXPECT_EQ(both.drivers["PRIMARY_HAL"].second, 0);
  EXPECT_EQ(both.drivers["SECONDARY_HAL"].second, 2);

  probe.primary_3d = 0;
  parsed_profile secondary_only = profile_of(probe);
  EXPECT_EQ(secondary_only.state_of("PRIMARY_HAL"), "ABSENT");
  EXPECT_EQ(secondary_only.state_of("SECONDARY_HAL"), "PRESENT");

  // Device findings count only when DirectDraw itself was there.
  probe.primary_3d = 1;
  probe.ddraw_available = 0;
  parsed_profile no_ddraw = profile_of(probe);
  EXPECT_EQ(no_ddraw.state_of("PRIMARY_HAL"), "ABSENT");
  EXPECT_EQ(no_ddraw.state_of("SECONDARY_HAL"), "ABSENT");
  EXPECT_EQ(no_ddraw.drivers["SECONDARY_HAL"].second, 0);
}

TEST(FormatProfile, GlideLibraryIsOnlyMaybe) {
  machine_probe probe = bare_machine();
  probe.glide_dll_found = 1;
  EXPECT_EQ(profile_of(probe).state_of("GLIDE"), "MAYBEPRESENT");
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
