// Encoding, checking and writing of the fast-file archive layout.
#include "filelib/fastfile_format.h"

#include <cstring>

std::uint32_t pff_get_u32(const unsigned char* bytes) {
  return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
         std::uint32_t(bytes[3]) << 24;
}

void pff_put_u32(unsigned char* bytes, std::uint32_t value) {
  bytes[0] = static_cast<unsigned char>(value);
  bytes[1] = static_cast<unsigned char>(value >> 8);
  bytes[2] = static_cast<unsigned char>(value >> 16);
  bytes[3] = static_cast<unsigned char>(value >> 24);
}

int pff_magic_matches(const unsigned char* bytes) {
  return std::memcmp(bytes, pff_magic, sizeof pff_magic) == 0;
}

void pff_decode_fixed(const unsigned char* bytes, pff_fixed_header* header) {
  header->header_length = pff_get_u32(bytes + 8);
  header->flags = pff_get_u32(bytes + 12);
  header->unused = pff_get_u32(bytes + 16);
  header->first_entry = static_cast<std::int32_t>(pff_get_u32(bytes + 20));
  header->entry_count = static_cast<std::int32_t>(pff_get_u32(bytes + 24));
}

void pff_encode_fixed(const pff_fixed_header* header, unsigned char* bytes) {
  std::memcpy(bytes, pff_magic, sizeof pff_magic);
  pff_put_u32(bytes + 8, header->header_length);
  pff_put_u32(bytes + 12, header->flags);
  pff_put_u32(bytes + 16, header->unused);
  pff_put_u32(bytes + 20, static_cast<std::uint32_t>(header->first_entry));
  pff_put_u32(bytes + 24, static_cast<std::uint32_t>(header->entry_count));
}

std::uint64_t pff_record_position(std::int64_t index) {
  return pff_fixed_size + std::uint64_t(pff_record_size) * std::uint64_t(index);
}

std::uint32_t pff_searched_count(const pff_fixed_header* header) {
  return header->entry_count > 0 ? static_cast<std::uint32_t>(header->entry_count) : 0;
}

int pff_fixed_is_sound(const pff_fixed_header* header, std::uint64_t archive_size) {
  if (header->header_length < pff_fixed_size || header->header_length > archive_size) return 0;
  if (header->first_entry < 0) return 0;
  // Both terms are below 2^31, so the sum and the product fit 64 bits.
  std::int64_t end = std::int64_t(header->first_entry) + pff_searched_count(header);
  return pff_record_position(end) <= header->header_length;
}

int pff_records_are_sound(const unsigned char* image, const pff_fixed_header* header,
                          std::uint64_t archive_size) {
  std::uint32_t count = pff_searched_count(header);
  for (std::uint32_t i = 0; i < count; ++i) {
    const unsigned char* record = image + pff_record_position(std::int64_t(header->first_entry) + i);
    std::uint64_t offset = pff_get_u32(record + 12);
    std::uint64_t size = pff_get_u32(record + 16);
    if (offset + size > archive_size) return 0;
  }
  return 1;
}

int pff_plan_layout(pff_member* members, int count, int first_entry, std::uint32_t* header_length) {
  if (count < 0 || first_entry < 0 || first_entry > count) return 0;
  std::uint64_t position = pff_record_position(count);
  if (position > UINT32_MAX) return 0;
  *header_length = static_cast<std::uint32_t>(position);
  for (int i = 0; i < count; ++i) {
    members[i].offset = static_cast<std::uint32_t>(position);
    position += std::uint64_t(members[i].size) + 1;
    if (position > UINT32_MAX) return 0;
  }
  return 1;
}

int pff_write_header(std::FILE* out, const pff_member* members, int count, int first_entry,
                     std::uint32_t header_length) {
  unsigned char fixed[pff_fixed_size];
  pff_fixed_header header = {header_length, 0, 0, first_entry, count - first_entry};
  pff_encode_fixed(&header, fixed);
  if (std::fwrite(fixed, 1, sizeof fixed, out) != sizeof fixed) return 0;
  for (int i = 0; i < count; ++i) {
    unsigned char record[pff_record_size] = {};
    for (int c = 0; c < pff_name_limit && members[i].name[c] != '\0'; ++c)
      record[c] = static_cast<unsigned char>(members[i].name[c]);
    pff_put_u32(record + 12, members[i].offset);
    pff_put_u32(record + 16, members[i].size);
    if (std::fwrite(record, 1, sizeof record, out) != sizeof record) return 0;
  }
  return 1;
}

int pff_write_member_bytes(std::FILE* out, const void* data, std::uint32_t size) {
  if (size > 0 && std::fwrite(data, 1, size, out) != size) return 0;
  return std::fputc(pff_end_marker, out) != EOF;
}

int pff_write_member_stream(std::FILE* out, std::FILE* in, std::uint32_t size) {
  unsigned char buffer[16384];
  std::uint32_t left = size;
  while (left > 0) {
    std::size_t chunk = left < sizeof buffer ? left : sizeof buffer;
    std::size_t got = std::fread(buffer, 1, chunk, in);
    if (got == 0 || std::fwrite(buffer, 1, got, out) != got) return 0;
    left -= static_cast<std::uint32_t>(got);
  }
  return std::fputc(pff_end_marker, out) != EOF;
}
