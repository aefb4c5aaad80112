// Members of fast-file archives opened as ordinary files. Headers are loaded once per
// archive path and searched in memory afterwards.
#include "filelib/fastfile.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "filelib/fastfile_disk.h"
#include "filelib/fastfile_format.h"
#include "filelib/fileio_os.h"
#include "support/list.h"
#include "support/pool.h"
#include "support/stop.h"

// Members' records are handed out as pff_entry pointers into the loaded image, whose
// numbers are little-endian.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "records are read in place");
static_assert(alignof(pff_header) <= pool_unit, "a pooled block is aligned to pool_unit only");

char pff_archive_name[256];
list_node* pff_cache;

namespace {

const char default_archive_name[] = "FASTFILE.DAT";

// Room for an archive directory prefix and a file name of any length the library handles.
constexpr std::size_t composed_capacity = pff_archive_path_limit + FILEIO_PATH_LIMIT + 1;

// Archives are only ever read: a member's mode may say read, binary and text and nothing
// else, so no mode writes, creates, truncates or deletes the archive (Windows' "D" does).
int mode_only_reads(const char* mode) {
  return mode[0] != '\0' && mode[std::strspn(mode, "rbt")] == '\0';
}

std::size_t archive_name_length() {
  std::size_t length = 0;
  while (length < sizeof pff_archive_name && pff_archive_name[length] != '\0') ++length;
  return length;
}

// The archive path: the directory prefix followed by the archive's file name.
int compose_archive_path(char* out, const char* path, std::size_t prefix_length) {
  const char* name = pff_archive_name;
  std::size_t name_length = archive_name_length();
  if (name_length == 0) {
    name = default_archive_name;
    name_length = sizeof default_archive_name - 1;
  }
  if (prefix_length + name_length > pff_archive_path_limit) return 0;
  std::memcpy(out, path, prefix_length);
  std::memcpy(out + prefix_length, name, name_length);
  out[prefix_length + name_length] = '\0';
  return 1;
}

const unsigned char* record_at(const pff_header* header, std::uint32_t number) {
  return header->image + pff_record_position(number);
}

// The searched records' numbers, first_entry on.
std::uint32_t searched_count(const pff_header* header) {
  pff_fixed_header fixed;
  pff_decode_fixed(header->image, &fixed);
  return pff_searched_count(&fixed);
}

pff_header* cached_header(const char* archive) {
  for (list_node* node = pff_cache->next; node != pff_cache; node = node->next) {
    pff_header* header = static_cast<pff_header*>(node->item);
    if (std::strcmp(header->archive, archive) == 0) return header;
  }
  return nullptr;
}

// Reads the image, then checks that every searched record lies inside it and inside the
// file, so lookups never read outside what was loaded.
int load_image(pff_header* header, const pff_fixed_header* fixed, std::uint64_t archive_size) {
  if (!fileio_os_seek(header->stream, 0)) return 0;
  if (std::fread(header->image, 1, header->image_length, header->stream) != header->image_length) return 0;
  return pff_records_are_sound(header->image, fixed, archive_size);
}

// The header's pooled block: the struct, the image, and the index on a 4-byte boundary.
std::uint64_t header_block_size(std::uint32_t image_length, std::uint32_t count) {
  const std::uint64_t index_at = (std::uint64_t(sizeof(pff_header)) + image_length + 3) / 4 * 4;
  return index_at + std::uint64_t(count) * sizeof(std::uint32_t);
}

// Sorts the searched records' numbers by the 12 bytes of their names, equal names by
// number, so that the records whose names begin with any given text lie together.
void index_by_name(pff_header* header, std::uint32_t first_entry, std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; ++i) header->by_name[i] = first_entry + i;
  std::sort(header->by_name, header->by_name + count, [header](std::uint32_t a, std::uint32_t b) {
    const int order = std::memcmp(record_at(header, a), record_at(header, b), pff_name_limit);
    return order != 0 ? order < 0 : a < b;
  });
}

// Loads the archive found on disk at `spelled` under the cache key `archive`.
pff_header* open_header(const char* archive, const char* spelled) {
  if (pff_cache == nullptr) pff_cache = list_create();
  if (pff_cache == nullptr) return nullptr;
  if (pff_header* header = cached_header(archive)) return header;

  std::size_t archive_length = std::strlen(archive);
  if (archive_length > pff_archive_path_limit) return nullptr;
  char opened[pff_archive_path_limit + 1];
  if (!pff_disk_resolve(spelled, opened, sizeof opened)) return nullptr;
  std::FILE* stream = std::fopen(opened, "rb");
  if (stream == nullptr) return nullptr;

  // The whole fixed part is read at once; an archive shorter than it is refused.
  unsigned char bytes[pff_fixed_size];
  pff_fixed_header fixed;
  std::uint64_t archive_size = 0;
  if (std::fread(bytes, 1, sizeof bytes, stream) != sizeof bytes || !pff_magic_matches(bytes) ||
      !fileio_os_size(stream, &archive_size)) {
    std::fclose(stream);
    return nullptr;
  }
  pff_decode_fixed(bytes, &fixed);
  if ((fixed.flags & pff_flag_refused) != 0 || !pff_fixed_is_sound(&fixed, archive_size)) {
    std::fclose(stream);
    return nullptr;
  }

  const std::uint32_t count = pff_searched_count(&fixed);
  const std::uint64_t block_size = header_block_size(fixed.header_length, count);
  pff_header* header = block_size > UINT32_MAX
                           ? nullptr
                           : static_cast<pff_header*>(pool_alloc(static_cast<std::uint32_t>(block_size)));
  if (header == nullptr) {
    std::fclose(stream);
    stop("pffopen_header(): out of memory");
  }
  std::memcpy(header->archive, archive, archive_length + 1);
  std::memcpy(header->opened, opened, std::strlen(opened) + 1);
  header->stream = stream;
  header->image_length = fixed.header_length;
  header->image = reinterpret_cast<unsigned char*>(header + 1);
  header->by_name = reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(header) + block_size) - count;
  // A header that cannot be listed would be lost with its stream; it is not kept.
  if (!load_image(header, &fixed, archive_size) || !list_prepend(header, pff_cache)) {
    std::fclose(stream);
    pool_free(header, static_cast<std::uint32_t>(block_size));
    return nullptr;
  }
  index_by_name(header, static_cast<std::uint32_t>(fixed.first_entry), count);
  return header;
}

}  // namespace

pff_header* pffopen_header(const char* archive) {
  return open_header(archive, archive);
}

namespace {

// The first searched record, in file order, whose name's first n bytes are the name's n
// characters (a NUL among them differs from every character). Binary search for the
// first such record in name order, then the lowest number among all of them.
const pff_entry* find_record(const pff_header* header, const char* name, std::size_t n) {
  const std::uint32_t* by_name = header->by_name;
  const std::uint32_t count = searched_count(header);
  std::uint32_t low = 0;
  std::uint32_t high = count;
  while (low < high) {
    const std::uint32_t middle = low + (high - low) / 2;
    if (std::memcmp(record_at(header, by_name[middle]), name, n) < 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low == count || std::memcmp(record_at(header, by_name[low]), name, n) != 0) return nullptr;
  std::uint32_t first = by_name[low];
  for (std::uint32_t i = low + 1; i < count && std::memcmp(record_at(header, by_name[i]), name, n) == 0;
       ++i) {
    first = std::min(first, by_name[i]);
  }
  return reinterpret_cast<const pff_entry*>(record_at(header, first));
}

}  // namespace

const pff_entry* pffind(pf_file* file, std::size_t prefix_length, char* path, const char* mode) {
  // The archive is looked for in the directory as the handle names it, which on a file
  // system that tells letter case apart is the real one; the upper-cased path is the key.
  char spelled[pff_archive_path_limit + 1];
  if (!compose_archive_path(spelled, path, prefix_length)) return nullptr;
  for (char* c = path; *c != '\0'; ++c) *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));

  char archive[pff_archive_path_limit + 1];
  if (!compose_archive_path(archive, path, prefix_length)) return nullptr;
  pff_header* header = open_header(archive, spelled);
  if (header == nullptr) return nullptr;

  const char* name = path + prefix_length;
  std::size_t n = std::strlen(name);
  // An empty name would begin every record's name; it names no member.
  if (n == 0 || n > static_cast<std::size_t>(pff_name_limit)) return nullptr;
  const pff_entry* entry = find_record(header, name, n);
  if (entry == nullptr || !mode_only_reads(mode)) return nullptr;

  std::FILE* stream = std::fopen(header->opened, mode);
  if (stream == nullptr) return nullptr;
  if (!fileio_os_seek_fresh(stream, entry->offset)) {
    std::fclose(stream);
    return nullptr;
  }
  file->stream = stream;
  return entry;
}

namespace {

// Looks the member up under the directory prefix first + second; a composed path that
// does not fit is not found.
const pff_entry* find_under(pf_file* file, const char* first, const char* second, const char* name,
                            const char* mode) {
  char path[composed_capacity];
  std::size_t first_length = std::strlen(first);
  std::size_t second_length = std::strlen(second);
  std::size_t name_length = std::strlen(name);
  if (first_length + second_length + name_length >= sizeof path) return nullptr;
  std::memcpy(path, first, first_length);
  std::memcpy(path + first_length, second, second_length);
  std::memcpy(path + first_length + second_length, name, name_length + 1);
  return pffind(file, first_length + second_length, path, mode);
}

}  // namespace

pf_file* pffopen(pf_dir* dir, const char* name, const char* mode) {
  if (dir == nullptr || name == nullptr || mode == nullptr) return nullptr;
  pf_file* file = static_cast<pf_file*>(pool_alloc(sizeof(pf_file)));
  if (file == nullptr) stop("pffopen(): out of memory");
  file->name = nullptr;
  file->stream = nullptr;
  file->entry = nullptr;
  file->binary = 0;

  const pff_entry* entry = nullptr;
  if (dir->search == nullptr) {
    entry = find_under(file, "", dir->path, name, mode);
  } else {
    for (list_node* node = dir->search->next; node != dir->search && entry == nullptr; node = node->next) {
      const pf_path* base = static_cast<const pf_path*>(node->item);
      if (base == nullptr) stop("Path: %s, corrupt", dir->path);
      entry = find_under(file, base->path, dir->path, name, mode);
    }
  }
  if (entry == nullptr) {
    pool_free(file, sizeof(pf_file));
    return nullptr;
  }
  file->entry = entry;
  // An unlisted handle would escape tidy-up: without a list entry the member is not opened.
  if (!list_append(file, fileio_files)) {
    std::fclose(file->stream);
    pool_free(file, sizeof(pf_file));
    return nullptr;
  }
  file->binary = pf_mode_is_binary(mode);
  return file;
}
