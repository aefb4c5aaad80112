// Scratch folders and raw file access for the hostile-input tests (POSIX).
#pragma once

#include <string>

// A fresh folder under the temporary folder; its name has no letters beyond a lower-case
// stem, so the archive reader's letter-case matching finds it only one way.
std::string make_scratch_dir();
void remove_tree(const std::string& path);
void make_dir(const std::string& path);
void write_bytes(const std::string& path, const std::string& bytes);
// The file's bytes; "<missing>" when it cannot be read.
std::string read_bytes(const std::string& path);
