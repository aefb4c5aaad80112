// Test helpers: scratch directories, loose files, and archives made with the writer that
// the fastfile tool uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct member_spec {
    std::string name;
    std::string data;
};

// An empty directory under the test's working directory; the path ends in the separator.
std::string fresh_directory(const std::string& label);

void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);

// Records in the given order; records before first_entry are written but not searched.
void write_archive(const std::string& path, const std::vector<member_spec>& members,
                   int first_entry = 0);

// Overwrites four bytes of a file with a little-endian number.
void patch_u32(const std::string& path, std::uint32_t offset, std::uint32_t value);
