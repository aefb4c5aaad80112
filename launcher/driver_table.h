// The seven renderers the game can run with, their detection states, and the working set
// of one driver selection.
#pragma once

#include <cstdint>

// Detection states, from "mdrivers.dat".
enum : std::int32_t {
  DRIVER_ABSENT = 0,
  DRIVER_MAYBEPRESENT = 1,
  DRIVER_PRESENT = 2,
};

constexpr int driver_table_size = 7;
// Keys, commands and the words of a "mdrivers.dat" line hold at most 31 characters.
constexpr int driver_word_size = 32;

struct DriverEntry {
  std::int32_t name_id;            // string id of the name shown in the Select Driver list
  std::int32_t help_id;            // string id of the help text shown under "Current Driver"
  char key[driver_word_size];      // names the renderer in "mdrivers.dat" and "korvexe.dat"
  char command[driver_word_size];  // game program and renderer option, relative to the install dir
  std::int32_t priority;           // higher is better; all different
  std::int32_t state;              // DRIVER_ABSENT / DRIVER_MAYBEPRESENT / DRIVER_PRESENT
  std::int32_t reserved;           // cleared with state at every detection, otherwise unused
};

// The renderers on offer in one selection, best first.
struct DriverChoice {
  std::int32_t count;      // renderers present or maybe present
  DriverEntry** entries;   // count pointers into g_driver_table (malloc'ed)
  std::int32_t selection;  // index into entries: the default, then the choice; -1 for none
};

extern DriverEntry g_driver_table[driver_table_size];

// qsort comparison of two DriverEntry* elements: descending priority.
int compare_driver_priority(const void* first, const void* second);
