#include "renderer_profile.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const renderer_keys[renderer_count] = {
    "RAMP", "MMX", "PRIMARY_HAL", "SECONDARY_HAL", "GLIDE", "PENTIUM_RENDERER", "K6_RENDERER",
};

renderer_state present_if(int condition) {
  return condition ? RENDERER_PRESENT : RENDERER_ABSENT;
}

bool vendor_is(const machine_probe& probe, const char* vendor) {
  return probe.cpuid_available && std::strncmp(probe.cpu_vendor, vendor, sizeof probe.cpu_vendor) == 0;
}

}  // namespace

const char* renderer_state_word(renderer_state state) {
  switch (state) {
    case RENDERER_PRESENT:
      return "PRESENT";
    case RENDERER_MAYBEPRESENT:
      return "MAYBEPRESENT";
    default:
      return "ABSENT";
  }
}

void assess_renderers(const machine_probe& probe, renderer_line lines[renderer_count]) {
  for (int i = 0; i < renderer_count; ++i) {
    lines[i].key = renderer_keys[i];
    lines[i].state = RENDERER_ABSENT;
    lines[i].number = 0;
  }
  // The ramp emulation is software and runs everywhere.
  lines[RENDERER_RAMP].state = RENDERER_PRESENT;
  lines[RENDERER_MMX].state = present_if(probe.cpuid_available && probe.has_mmx);
  lines[RENDERER_PRIMARY_HAL].state = present_if(probe.ddraw_available && probe.primary_3d);
  if (lines[RENDERER_PRIMARY_HAL].state == RENDERER_PRESENT)
    lines[RENDERER_PRIMARY_HAL].number = probe.primary_device;
  lines[RENDERER_SECONDARY_HAL].state = present_if(probe.ddraw_available && probe.secondary_3d);
  if (lines[RENDERER_SECONDARY_HAL].state == RENDERER_PRESENT) {
    lines[RENDERER_SECONDARY_HAL].number = probe.secondary_device;
  }
  // A loadable Glide library says nothing about the board behind it.
  lines[RENDERER_GLIDE].state = probe.glide_dll_found ? RENDERER_MAYBEPRESENT : RENDERER_ABSENT;
  lines[RENDERER_PENTIUM].state = present_if(vendor_is(probe, "GenuineIntel"));
  lines[RENDERER_K6].state = present_if(vendor_is(probe, "AuthenticAMD"));
}

std::size_t format_profile(const machine_probe& probe, char* out, std::size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = '\0';
  renderer_line lines[renderer_count];
  assess_renderers(probe, lines);
  std::size_t used = 0;
  int written = std::snprintf(out, capacity, "%s\r\nNUM_DRIVERS %d\r\n", profile_header,
                              static_cast<int>(renderer_count));
  if (written < 0 || static_cast<std::size_t>(written) >= capacity) {
    out[0] = '\0';
    return 0;
  }
  used = static_cast<std::size_t>(written);
  for (const renderer_line& line : lines) {
    written = std::snprintf(out + used, capacity - used, "%s %s %d\r\n", line.key,
                            renderer_state_word(line.state), line.number);
    if (written < 0 || static_cast<std::size_t>(written) >= capacity - used) {
      out[0] = '\0';
      return 0;
    }
    used += static_cast<std::size_t>(written);
  }
  return used;
}
