// Scratch files for the fuzz targets: one private directory per process, removed when the
// process ends, and whole-file reads and writes of raw bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The process's own directory under the system's temporary folder, without a trailing
// separator; made on first use. Aborts when it cannot be made: nothing can be fuzzed then.
const std::string& fuzz_scratch_dir();

// Makes a directory (an existing one is fine); aborts on failure.
void fuzz_make_dir(const std::string& path);

// Replaces the file with exactly these bytes; aborts on failure.
void fuzz_write_file(const std::string& path, const std::uint8_t* data, std::size_t size);

// The file's bytes; false when it cannot be read.
bool fuzz_read_file(const std::string& path, std::string* bytes);

// Fails the current input with a message naming what broke (abort, so libFuzzer keeps the
// input as a crash).
[[noreturn]] void fuzz_fail(const char* what);

#define FUZZ_CHECK(condition)                \
  do {                                       \
    if (!(condition)) fuzz_fail(#condition); \
  } while (0)
