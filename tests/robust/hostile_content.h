// Damaged contents for the menu's three small text files, shared by the native suite and
// the end-to-end suite under Wine. Each row is one kind of damage done to all three files,
// with what the menu must make of each; adding a case is adding a row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace hostile {

// Deterministic bytes of every value, CR, LF, NUL and ^Z among them.
inline std::string garbage(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  return bytes;
}

// `text` repeated until the result is at least a megabyte.
inline std::string megabyte_of(const std::string& text) {
  std::string bytes;
  while (bytes.size() < (1u << 20)) bytes += text;
  return bytes;
}

// The "mdrivers.dat" beside each row's "korvexe.dat": GLIDE (maybe), MMX and RAMP offered.
inline std::string korvexe_detection() {
  return "NUM_DRIVERS 3\r\nRAMP PRESENT 0\r\nMMX PRESENT 0\r\nGLIDE MAYBEPRESENT 0\r\n";
}

struct damage_case {
  const char* name;
  std::string mdrivers;
  std::vector<std::string> offered;  // best first; none: no choice, nothing written
  std::string best_present;          // the silent choice and the dialog's default
  std::string korvexe;               // read beside korvexe_detection()
  std::string selected;              // the Select Driver dialog's default
  std::string frontend;
  bool nofog;  // reading it turns the fog work-around on
};

// Test output names a case by its name alone.
inline void PrintTo(const damage_case& c, std::ostream* out) {
  *out << c.name;
}

inline std::vector<damage_case> damage_cases() {
  const std::string nul(1, '\0');
  return {
      {"empty", "", {}, "", "", "MMX", "", false},
      {"binary_garbage", garbage(4096, 7), {}, "", garbage(4096, 11), "MMX", garbage(4096, 13), false},
      {"one_megabyte",
       "NUM_DRIVERS 3\r\nMMX PRESENT 0\r\nGLIDE MAYBEPRESENT 0\r\n" + megabyte_of("RAMP PRESENT 0\r\n"),
       {"GLIDE", "MMX", "RAMP"},
       "MMX",
       "glide\r\nkorv3dfx.exe -ar3\r\n" + megabyte_of("filler line\r\n"),
       "GLIDE",
       "nofog\r\n" + megabyte_of("NOFOG\r\n"),
       true},
      // A long line is read in pieces: no piece may pass for a line of its own.
      {"ten_thousand_character_lines",
       std::string(10000, 'G') + "\r\nNUM_DRIVERS 1\r\nPRIMARY_HAL PRESENT 0" + std::string(10000, ' ') +
           "\r\n",
       {"PRIMARY_HAL"},
       "PRIMARY_HAL",
       "RAMP" + std::string(9996, 'x') + "\r\n" + std::string(10000, 'y') + "\r\n",
       "MMX",
       "NOFOG" + std::string(9995, 'x') + "\r\nNOFOG\r\n",
       false},
      // A word far longer than any buffer for one, after a word that would match alone.
      {"ten_thousand_character_word",
       "NUM_DRIVERS 2\r\nSECONDARY_HAL" + std::string(9987, 'X') + " PRESENT 0\r\nMMX PRESENT 0\r\n",
       {},
       "",
       "GLIDE " + std::string(9994, 'X') + "\r\nkorv3dfx.exe -ar3\r\n",
       "MMX",
       "NOFOG " + std::string(9994, 'X'),
       false},
      {"nul_bytes",
       "NUM_DRIVERS 2" + nul + "junk\r\nMMX PRESENT 0" + nul + "\r\nGLIDE" + nul + " PRESENT 0\r\n",
       {"MMX"},
       "MMX",
       "RAMP" + nul + "\r\nkorv.exe" + nul + " -arr\r\n",
       "RAMP",
       "NO" + nul + "FOG\r\n",
       false},
      {"no_line_ends", "NUM_DRIVERS 1 MMX PRESENT 0", {}, "", "RAMP", "RAMP", "NOFOG", true},
      {"carriage_returns_only",
       "NUM_DRIVERS 2\rMMX PRESENT 0\rGLIDE PRESENT 0",
       {"GLIDE", "MMX"},
       "GLIDE",
       "GLIDE\rkorv3dfx.exe -ar3",
       "GLIDE",
       "nofog\rFOG",
       true},
  };
}

}  // namespace hostile
