// The on-disk layout of a fast-file archive, shared by the library's reader and the
// fastfile tool's writer. All numbers are 32-bit little-endian.
//
//   0   8  magic "FASTF101"
//   8   4  header_length: bytes from offset 0 that hold the header and the record table
//   12  4  flags: bit 0 set means the archive must not be used
//   16  4  not interpreted
//   20  4  first_entry: index of the first record searched
//   24  4  entry_count (signed): number of records searched
//   28  24 each: records {name[12], offset, size, reserved}
#pragma once

#include <cstdint>
#include <cstdio>

constexpr char pff_magic[8] = {'F', 'A', 'S', 'T', 'F', '1', '0', '1'};
constexpr std::uint32_t pff_fixed_size = 28;
constexpr std::uint32_t pff_record_size = 24;
constexpr int pff_name_limit = 12;
constexpr std::uint32_t pff_flag_refused = 1;
// Written after every member, so the line reader stops at the member's end.
constexpr unsigned char pff_end_marker = 26;

struct pff_fixed_header {
  std::uint32_t header_length;
  std::uint32_t flags;
  std::uint32_t unused;
  std::int32_t first_entry;
  std::int32_t entry_count;
};

std::uint32_t pff_get_u32(const unsigned char* bytes);
void pff_put_u32(unsigned char* bytes, std::uint32_t value);

// 1 when the first 8 bytes are the magic.
int pff_magic_matches(const unsigned char* bytes);
void pff_decode_fixed(const unsigned char* bytes, pff_fixed_header* header);
void pff_encode_fixed(const pff_fixed_header* header, unsigned char* bytes);

// Byte position of record `index` in the archive (and in the loaded header image).
std::uint64_t pff_record_position(std::int64_t index);

// Number of records searched: entry_count, or 0 when it is 0 or less.
std::uint32_t pff_searched_count(const pff_fixed_header* header);

// 1 when the header can be used safely: magic and flags were checked separately; this
// checks that header_length covers the fixed part and every searched record, that
// first_entry is not negative, and that the header fits in an archive of archive_size
// bytes.
int pff_fixed_is_sound(const pff_fixed_header* header, std::uint64_t archive_size);

// 1 when every searched record of a sound header's image lies inside the archive.
int pff_records_are_sound(const unsigned char* image, const pff_fixed_header* header,
                          std::uint64_t archive_size);

// One member as the writer lays it out.
struct pff_member {
  char name[pff_name_limit + 1];
  std::uint32_t size;
  std::uint32_t offset;  // set by pff_plan_layout
};

// Places the members one after another behind the header, each followed by one end
// marker, and gives the header length. Records 0 to first_entry - 1 are written but not
// searched. Returns 0 when the archive would not fit 32-bit offsets or first_entry is
// out of range.
int pff_plan_layout(pff_member* members, int count, int first_entry, std::uint32_t* header_length);

// Writes the fixed header and the record table of a planned archive. 1 on success.
int pff_write_header(std::FILE* out, const pff_member* members, int count, int first_entry,
                     std::uint32_t header_length);

// Writes one member's bytes and its end marker. 1 on success.
int pff_write_member_bytes(std::FILE* out, const void* data, std::uint32_t size);

// Copies exactly `size` bytes of a member from `in`, then its end marker. 0 when `in`
// ends early or a write fails.
int pff_write_member_stream(std::FILE* out, std::FILE* in, std::uint32_t size);
