// The driver files over arbitrary bytes: "mdrivers.dat" read and ranked, the default taken
// from "korvexe.dat", and the choice written back. Whatever the files hold, the renderers
// on offer are exactly the detected ones (at most seven, each once), best first; a choice
// exists only when one renderer is present; the default is the best present renderer or,
// in interactive mode, the offered one that "korvexe.dat" names; the table's keys and
// commands are never overwritten; and the written file is the two CR LF lines.
// The first line of "korvexe.dat" also serves as an install directory and a game command
// for the command-line builders, each into a buffer of exactly its stated capacity.
//
// Input: byte 0 options (bit 0 interactive, bit 1 "korvexe.dat" exists), byte 1 the
// length of "korvexe.dat", its bytes, then "mdrivers.dat".
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "driver_file.h"
#include "driver_table.h"
#include "filelib/fileio.h"
#include "fuzz_scratch.h"
#include "game_command.h"

namespace {

DriverEntry pristine[driver_table_size];

pf_dir* scratch_handle() {
  static pf_dir* dir = nullptr;
  if (dir == nullptr) {
    fileio_init();
    std::memcpy(pristine, g_driver_table, sizeof pristine);
    dir = pfdir_new(fuzz_scratch_dir().c_str(), nullptr);
    FUZZ_CHECK(dir != nullptr);
  }
  return dir;
}

char ascii_upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool same_ignoring_case(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_upper(a[i]) != ascii_upper(b[i])) return false;
  }
  return true;
}

// The first line as a text: up to the first CR or LF, at most 518 characters, and up to a
// NUL byte, since the line is compared as a C string.
std::string first_line_text(const std::string& bytes) {
  std::size_t end = bytes.find_first_of("\r\n");
  std::string line = bytes.substr(0, end == std::string::npos ? bytes.size() : end);
  if (line.size() > static_cast<std::size_t>(selection_line_capacity - 1))
    line.resize(selection_line_capacity - 1);
  return line.substr(0, line.find('\0'));
}

void check_table_intact() {
  for (int i = 0; i < driver_table_size; ++i) {
    const DriverEntry& entry = g_driver_table[i];
    FUZZ_CHECK(std::memcmp(entry.key, pristine[i].key, sizeof entry.key) == 0);
    FUZZ_CHECK(std::memcmp(entry.command, pristine[i].command, sizeof entry.command) == 0);
    FUZZ_CHECK(entry.priority == pristine[i].priority && entry.name_id == pristine[i].name_id);
    FUZZ_CHECK(entry.state >= DRIVER_ABSENT && entry.state <= DRIVER_PRESENT);
    FUZZ_CHECK(entry.reserved == 0);
  }
}

void check_choice(const DriverChoice& choice, bool interactive, bool stored_exists,
                  const std::string& stored_line) {
  int offered = 0;
  bool any_present = false;
  for (const DriverEntry& entry : g_driver_table) {
    offered += entry.state != DRIVER_ABSENT;
    any_present = any_present || entry.state == DRIVER_PRESENT;
  }
  FUZZ_CHECK(any_present);
  FUZZ_CHECK(choice.count == offered && choice.count >= 1 && choice.count <= driver_table_size);
  for (int i = 0; i < choice.count; ++i) {
    const DriverEntry* entry = choice.entries[i];
    FUZZ_CHECK(entry >= g_driver_table && entry < g_driver_table + driver_table_size);
    FUZZ_CHECK(entry->state != DRIVER_ABSENT);
    if (i > 0) FUZZ_CHECK(choice.entries[i - 1]->priority > entry->priority);
  }
  int expected = -1;
  if (interactive && stored_exists) {
    for (int i = 0; i < choice.count && expected < 0; ++i) {
      if (same_ignoring_case(stored_line, choice.entries[i]->key)) expected = i;
    }
  }
  for (int i = 0; i < choice.count && expected < 0; ++i) {
    if (choice.entries[i]->state == DRIVER_PRESENT) expected = i;
  }
  FUZZ_CHECK(choice.selection == expected);
}

void check_written(pf_dir* dir, const DriverEntry* entry) {
  FUZZ_CHECK(write_driver_file(dir, entry) == 1);
  std::string bytes;
  FUZZ_CHECK(fuzz_read_file(fuzz_scratch_dir() + "/korvexe.dat", &bytes));
  FUZZ_CHECK(bytes == std::string(entry->key) + "\r\n" + entry->command + "\r\n");
}

// A builder either succeeds with a terminated line inside the buffer that holds the
// directory, or fails with the buffer empty.
void check_builders(const std::string& line) {
  const std::string install_dir = line.substr(0, install_dir_max_length);
  const std::string command = line.substr(0, play_line_capacity - 1);
  std::vector<char> out(command_line_capacity);
  for (int nofog = 0; nofog <= 1; ++nofog) {
    int built =
        build_game_command(install_dir.c_str(), command.c_str(), nofog, out.data(), command_line_capacity);
    FUZZ_CHECK(std::memchr(out.data(), '\0', out.size()) != nullptr);
    FUZZ_CHECK(built ? std::strstr(out.data(), install_dir.c_str()) != nullptr : out[0] == '\0');
  }
  int built = build_network_command(install_dir.c_str(), command.c_str(), out.data(), command_line_capacity);
  FUZZ_CHECK(std::memchr(out.data(), '\0', out.size()) != nullptr);
  FUZZ_CHECK(built ? std::strstr(out.data(), "netlaunc.exe") != nullptr : out[0] == '\0');
  std::vector<char> detection(detection_command_capacity);
  built = format_detection_command(install_dir.c_str(), detection.data(), detection.size());
  FUZZ_CHECK(std::memchr(detection.data(), '\0', detection.size()) != nullptr);
  FUZZ_CHECK(built ? std::strstr(detection.data(), "mdrivers.dat") != nullptr : detection[0] == '\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  pf_dir* dir = scratch_handle();
  const bool interactive = (data[0] & 1) != 0;
  const bool stored_exists = (data[0] & 2) != 0;
  std::size_t stored_size = data[1];
  if (stored_size > size - 2) stored_size = size - 2;
  const std::string stored(reinterpret_cast<const char*>(data + 2), stored_size);
  const std::string& scratch = fuzz_scratch_dir();
  fuzz_write_file(scratch + "/mdrivers.dat", data + 2 + stored_size, size - 2 - stored_size);
  if (stored_exists) {
    fuzz_write_file(scratch + "/korvexe.dat", data + 2, stored_size);
  } else {
    std::remove((scratch + "/korvexe.dat").c_str());
  }

  DriverChoice choice{};
  const int prepared = prepare_driver_choice(dir, interactive ? 1 : 0, &choice);
  check_table_intact();
  bool any_present = false;
  for (const DriverEntry& entry : g_driver_table) any_present = any_present || entry.state == DRIVER_PRESENT;
  FUZZ_CHECK(prepared == (any_present ? 1 : 0));
  if (prepared) {
    check_choice(choice, interactive, stored_exists, first_line_text(stored));
    check_written(dir, choice.entries[choice.selection]);
    release_driver_choice(&choice);
  }
  check_builders(first_line_text(stored));
  FUZZ_CHECK(fileio_files->next == fileio_files);
  return 0;
}
