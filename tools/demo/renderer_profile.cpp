#include "renderer_profile.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const renderer_keys[renderer_count] = {
    "RAMP", "MMX", "PRIMARY_HAL", "SECONDARY_HAL", "GLIDE", "PENTIUM_RENDERER", "K6_RENDERER",
};

renderer_state present_if(int condition) {
  return condition ? renderer_present : renderer_absent;
}

bool vendor_is(const machine_probe& probe, const char* vendor) {
  return probe.cpuid_available && std::strncmp(probe.cpu_vendor, vendor, sizeof probe.cpu_vendor) == 0;
}

}  // namespace

const char* renderer_state_word(renderer_state state) {
  switch (state) {
    case renderer_present:
      return "PRESENT";
    case renderer_maybe_present:
      return "MAYBEPRESENT";
    default:
      return "ABSENT";
  }
}

void assess_renderers(const machine_probe& probe, renderer_line lines[renderer_count]) {
  for (int i = 0; i < renderer_count; ++i) {
    lines[i].key = renderer_keys[i];
    lines[i].state = renderer_absent;
    lines[i].number = 0;
  }
  // The ramp emulation is software and runs everywhere.
  lines[renderer_ramp].state = renderer_present;
  lines[renderer_mmx].state = present_if(probe.cpuid_available && probe.has_mmx);
  lines[renderer_primary_hal].state = present_if(probe.ddraw_available && probe.primary_3d);
  if (lines[renderer_primary_hal].state == renderer_present)
    lines[renderer_primary_hal].number = probe.primary_device;
  lines[renderer_secondary_hal].state = present_if(probe.ddraw_available && probe.secondary_3d);
  if (lines[renderer_secondary_hal].state == renderer_present) {
    lines[renderer_secondary_hal].number = probe.secondary_device;
  }
  // A loadable Glide library says nothing about the board behind it.
  lines[renderer_glide].state = probe.glide_dll_found ? renderer_maybe_present : renderer_absent;
  lines[renderer_pentium].state = present_if(vendor_is(probe, "GenuineIntel"));
  lines[renderer_k6].state = present_if(vendor_is(probe, "AuthenticAMD"));
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
