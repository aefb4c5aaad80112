// The detection program's verdict and its result file, kept apart from the probing so
// that any machine can be described in a test.
#pragma once

#include <cstddef>

// What the probes found on this machine.
struct machine_probe {
  int cpuid_available;
  char cpu_vendor[13];   // the 12-character vendor text of CPUID leaf 0
  int has_mmx;           // CPUID leaf 1, EDX bit 23
  int ddraw_available;   // ddraw.dll loaded and enumerated its devices
  int primary_3d;        // the primary display device (no GUID) has 3D hardware
  int secondary_3d;      // another display device has 3D hardware
  int primary_device;    // enumeration number of the primary 3D device (its file number)
  int secondary_device;  // enumeration number of the first other 3D device
  int glide_dll_found;   // glide2x.dll or glide3x.dll could be loaded
};

enum renderer_state { renderer_absent, renderer_maybe_present, renderer_present };

enum renderer_id {
  renderer_ramp,
  renderer_mmx,
  renderer_primary_hal,
  renderer_secondary_hal,
  renderer_glide,
  renderer_pentium,
  renderer_k6,
  renderer_count
};

struct renderer_line {
  const char* key;
  renderer_state state;
  int number;  // the display device for the hardware renderers, otherwise 0
};

constexpr char profile_header[] = "Korvamund renderer profile";

const char* renderer_state_word(renderer_state state);

// One line per renderer, in renderer_id order.
void assess_renderers(const machine_probe& probe, renderer_line lines[renderer_count]);

// The whole result file: header, "NUM_DRIVERS 7", then "KEY STATE NUMBER" per renderer,
// every line ended by CR LF. Returns its length, or 0 when capacity is too small (out is
// then an empty text).
std::size_t format_profile(const machine_probe& probe, char* out, std::size_t capacity);
