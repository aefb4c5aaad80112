#include "driver_file.h"

#include "filelib/fileio.h"
#include "install_state.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char detection_program[] = "mprofile.exe";
const char detection_file_name[] = "mdrivers.dat";
// The white space that the formatted scan skips between fields.
const char scan_blanks[] = " \t\n\v\f\r";

// True when the line ends before its number while still agreeing with the count line's
// pattern "NUM_DRIVERS %d": it is empty, part of the keyword, or the keyword and blanks.
// The C99 scan reports end of input there rather than a mismatch; msvcrt's scan reports a
// mismatch after the keyword and blanks, so the rule is decided here, the same everywhere.
bool ends_before_count(const char* line) {
  const char keyword[] = "NUM_DRIVERS";
  std::size_t matched = 0;
  while (keyword[matched] != '\0' && line[matched] == keyword[matched]) ++matched;
  if (line[matched] == '\0') return true;
  if (keyword[matched] != '\0') return false;
  return line[matched + std::strspn(line + matched, scan_blanks)] == '\0';
}

// The count line's number, or 0. Lines that do not start with the keyword are skipped,
// but a line that ends before its number while still agreeing with the pattern ends the
// search.
int find_driver_count(pf_file* file) {
  char line[selection_line_capacity];
  while (pfgets(file, line, selection_line_capacity)) {
    int count = 0;
    if (std::sscanf(line, "NUM_DRIVERS %d", &count) == 1) return count;
    if (ends_before_count(line)) return 0;
  }
  return 0;
}

DriverEntry* driver_for_key_word(const char* word) {
  for (DriverEntry& entry : g_driver_table) {
    if (begins_ignoring_case(word, entry.key)) return &entry;
  }
  return nullptr;
}

std::int32_t state_for_word(const char* word) {
  if (equals_ignoring_case(word, "PRESENT")) return DRIVER_PRESENT;
  if (equals_ignoring_case(word, "MAYBEPRESENT")) return DRIVER_MAYBEPRESENT;
  return DRIVER_ABSENT;
}

// Applies one driver line: key word, state word, number. Returns false when the line does
// not hold all three, which ends the reading. A line whose key or state word is longer
// than the 31 characters a word may have is taken as a line but names no renderer.
bool take_driver_line(const char* line) {
  // The line's shape first, over whole words of any length: nothing is stored, so no word
  // can overrun a buffer, and a long word is never split into two fields.
  int key_end = 0;
  int state_end = 0;
  int number = 0;
  if (std::sscanf(line, "%*s%n %*s%n %d", &key_end, &state_end, &number) != 1) return false;
  int key_start = static_cast<int>(std::strspn(line, scan_blanks));
  int state_start = key_end + static_cast<int>(std::strspn(line + key_end, scan_blanks));
  if (key_end - key_start >= driver_word_size || state_end - state_start >= driver_word_size) {
    return true;
  }

  char key_word[driver_word_size];
  char state_word[driver_word_size];
  if (std::sscanf(line, "%31s %31s %d", key_word, state_word, &number) != 3) return false;
  DriverEntry* entry = driver_for_key_word(key_word);
  if (entry != nullptr) entry->state = state_for_word(state_word);
  return true;
}

// Marks the renderers named by the driver lines that follow the count line.
void scan_detected_drivers(pf_file* file) {
  char line[selection_line_capacity];
  for (int remaining = find_driver_count(file); remaining > 0; --remaining) {
    if (!pfgets(file, line, selection_line_capacity) || !take_driver_line(line)) return;
  }
}

}  // namespace

int format_detection_command(const char* install_dir, char* out, std::size_t capacity) {
  if (capacity == 0) return 0;
  const char* quote = std::strchr(install_dir, ' ') != nullptr ? "\"" : "";
  int length = std::snprintf(out, capacity, "%s%s\\%s%s %s%s\\%s%s", quote, install_dir, detection_program,
                             quote, quote, install_dir, detection_file_name, quote);
  if (length < 0 || static_cast<std::size_t>(length) >= capacity) {
    out[0] = '\0';
    return 0;
  }
  return 1;
}

int read_detected_drivers(pf_dir* dir) {
  for (DriverEntry& entry : g_driver_table) {
    entry.state = DRIVER_ABSENT;
    entry.reserved = 0;
  }
  pf_file* file = pfopen(dir, detection_file_name, "rb");
  if (file == nullptr) return 0;
  scan_detected_drivers(file);
  pfclose(file);
  return 1;
}

int build_driver_choice(DriverChoice* choice) {
  choice->count = 0;
  choice->entries = nullptr;
  choice->selection = -1;
  bool any_present = false;
  int offered = 0;
  for (const DriverEntry& entry : g_driver_table) {
    if (entry.state == DRIVER_PRESENT) any_present = true;
    if (entry.state != DRIVER_ABSENT) ++offered;
  }
  if (!any_present) return 0;

  DriverEntry** entries = static_cast<DriverEntry**>(std::malloc(offered * sizeof(DriverEntry*)));
  if (entries == nullptr) return 0;
  int filled = 0;
  for (DriverEntry& entry : g_driver_table) {
    if (entry.state != DRIVER_ABSENT) entries[filled++] = &entry;
  }
  std::qsort(entries, offered, sizeof(DriverEntry*), compare_driver_priority);
  choice->count = offered;
  choice->entries = entries;
  return 1;
}

void release_driver_choice(DriverChoice* choice) {
  std::free(choice->entries);
  choice->entries = nullptr;
  choice->count = 0;
  choice->selection = -1;
}

int stored_driver_index(const DriverChoice* choice, pf_dir* dir) {
  pf_file* file = pfopen(dir, driver_choice_file_name, "rb");
  if (file == nullptr) return -1;
  int found = -1;
  char line[selection_line_capacity];
  if (pfgets(file, line, selection_line_capacity)) {
    for (int i = 0; i < choice->count; ++i) {
      if (equals_ignoring_case(line, choice->entries[i]->key)) {
        found = i;
        break;
      }
    }
  }
  pfclose(file);
  return found;
}

int best_present_index(const DriverChoice* choice) {
  for (int i = 0; i < choice->count; ++i) {
    if (choice->entries[i]->state == DRIVER_PRESENT) return i;
  }
  return -1;
}

int prepare_driver_choice(pf_dir* dir, int interactive, DriverChoice* choice) {
  if (!read_detected_drivers(dir) || !build_driver_choice(choice)) return 0;
  int selection = interactive ? stored_driver_index(choice, dir) : -1;
  if (selection < 0) selection = best_present_index(choice);
  choice->selection = selection;
  return 1;
}

int write_driver_file(pf_dir* dir, const DriverEntry* entry, unsigned long* error) {
  pf_file* file = pfreplace_open(dir, driver_choice_file_name);
  if (file != nullptr) {
    // A line that fails to go out fails the commit, which then keeps the old file.
    pfputs(file, entry->key);
    pfputs(file, entry->command);
  }
  if (file != nullptr && pfreplace_commit(file)) return 1;
  if (error != nullptr) *error = pfreplace_error();
  return 0;
}
