// Damaged contents for the menu's three small text files, shared by the native suite and
// the end-to-end suite under Wine. Each table row is one kind of damage with what the
// menu must make of it; adding a case is adding a row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace hostile {

// Deterministic bytes of every value, CR and LF among them.
inline std::string garbage(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  return bytes;
}

// `text` repeated until the result is at least `size` bytes.
inline std::string repeat_to(const std::string& text, std::size_t size) {
  std::string bytes;
  bytes.reserve(size + text.size());
  while (bytes.size() < size) bytes += text;
  return bytes;
}

constexpr std::size_t megabyte = 1 << 20;

// "mdrivers.dat": the renderers offered (best first) and the silent default; an empty
// offer means the selection ends without a choice (no dialog, "korvexe.dat" untouched).
struct mdrivers_case {
  const char* name;
  std::string bytes;
  std::vector<std::string> offered;
  std::string best_present;
};

// Test output names a case by its name alone.
inline void PrintTo(const mdrivers_case& c, std::ostream* out) { *out << c.name; }

inline std::vector<mdrivers_case> mdrivers_cases() {
  const std::string nul(1, '\0');
  return {
      {"empty", "", {}, ""},
      {"binary_garbage", garbage(4096, 7), {}, ""},
      {"one_megabyte",
       "NUM_DRIVERS 3\r\nMMX PRESENT 0\r\nGLIDE MAYBEPRESENT 0\r\n" +
           repeat_to("RAMP PRESENT 0\r\n", megabyte),
       {"GLIDE", "MMX", "RAMP"}, "MMX"},
      {"ten_thousand_character_lines",
       std::string(10000, 'G') + "\r\nNUM_DRIVERS 1\r\nPRIMARY_HAL PRESENT 0" +
           std::string(10000, ' ') + "\r\n",
       {"PRIMARY_HAL"}, "PRIMARY_HAL"},
      {"ten_thousand_character_word",
       "NUM_DRIVERS 2\r\nSECONDARY_HAL" + std::string(9987, 'X') + " PRESENT 0\r\nMMX PRESENT 0\r\n",
       {}, ""},
      {"nul_bytes",
       "NUM_DRIVERS 2" + nul + "junk\r\nMMX PRESENT 0" + nul + "\r\nGLIDE" + nul + " PRESENT 0\r\n",
       {"MMX"}, "MMX"},
      {"no_line_ends", "NUM_DRIVERS 1 MMX PRESENT 0", {}, ""},
      {"carriage_returns_only", "NUM_DRIVERS 2\rMMX PRESENT 0\rGLIDE PRESENT 0", {"GLIDE", "MMX"}, "GLIDE"},
  };
}

// "korvexe.dat" beside an "mdrivers.dat" that offers GLIDE (maybe), MMX and RAMP: the
// renderer selected when the Select Driver dialog opens.
inline std::string korvexe_detection() {
  return "NUM_DRIVERS 3\r\nRAMP PRESENT 0\r\nMMX PRESENT 0\r\nGLIDE MAYBEPRESENT 0\r\n";
}

struct korvexe_case {
  const char* name;
  std::string bytes;
  std::string selected;
};

// Test output names a case by its name alone.
inline void PrintTo(const korvexe_case& c, std::ostream* out) { *out << c.name; }

inline std::vector<korvexe_case> korvexe_cases() {
  const std::string nul(1, '\0');
  return {
      {"empty", "", "MMX"},
      {"binary_garbage", garbage(4096, 11), "MMX"},
      {"one_megabyte", "glide\r\nkorv3dfx.exe -ar3\r\n" + repeat_to("filler line\r\n", megabyte), "GLIDE"},
      {"ten_thousand_character_lines", "RAMP" + std::string(9996, 'x') + "\r\n" + std::string(10000, 'y') + "\r\n",
       "MMX"},
      {"nul_bytes", "RAMP" + nul + "\r\nkorv.exe" + nul + " -arr\r\n", "RAMP"},
      {"no_line_ends", "RAMP", "RAMP"},
  };
}

// "frontend.dat": whether opening Graphics Troubleshooting turns the work-around on.
struct frontend_case {
  const char* name;
  std::string bytes;
  bool fog_work_around;
};

// Test output names a case by its name alone.
inline void PrintTo(const frontend_case& c, std::ostream* out) { *out << c.name; }

inline std::vector<frontend_case> frontend_cases() {
  const std::string nul(1, '\0');
  return {
      {"empty", "", false},
      {"binary_garbage", garbage(4096, 13), false},
      {"one_megabyte", "nofog\r\n" + repeat_to("NOFOG\r\n", megabyte), true},
      {"ten_thousand_character_line", "NOFOG" + std::string(9995, 'x') + "\r\nNOFOG\r\n", false},
      {"nul_bytes", "NO" + nul + "FOG\r\n", false},
      {"no_line_ends", "NOFOG", true},
  };
}

}  // namespace hostile
