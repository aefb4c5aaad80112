// Scratch folders, raw file access and archive images for the hostile-input tests (POSIX).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under the temporary folder; its name has no letters beyond a lower-case
// stem, so the archive reader's letter-case matching finds it only one way.
std::string make_scratch_dir();
void remove_tree(const std::string& path);
void make_dir(const std::string& path);
void write_bytes(const std::string& path, const std::string& bytes);
// The file's bytes; "<missing>" when it cannot be read.
std::string read_bytes(const std::string& path);

void put_u32(std::string* bytes, std::size_t at, std::uint32_t value);
struct archive_member {
  std::string name;
  std::string body;
};
// A sound "FASTFILE.DAT" holding the members in this order, each ended by its ^Z marker.
std::string archive_bytes(const std::vector<archive_member>& members);
