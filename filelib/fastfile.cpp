// Members of fast-file archives opened as ordinary files. Headers are loaded once per
// archive file and state, and searched in memory afterwards.
#include "filelib/fastfile.h"

#include <algorithm>
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

// The newest header whose key (or, with `asked`, the path it was asked under) is `path`.
pff_header* cached_header(const char* path, bool asked) {
  for (list_node* node = pff_cache->next; node != pff_cache; node = node->next) {
    pff_header* header = static_cast<pff_header*>(node->item);
    if (std::strcmp(asked ? header->asked : header->archive, path) == 0) return header;
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
constexpr std::uint64_t header_block_size(std::uint32_t image_length, std::uint32_t count) {
  return (std::uint64_t(sizeof(pff_header)) + image_length + 3) / 4 * 4 +
         std::uint64_t(count) * sizeof(std::uint32_t);
}
// A sound header within the limit has at most one record for each 24 of its bytes.
static_assert(header_block_size(pff_header_length_limit, pff_header_length_limit / pff_record_size) <=
                  UINT32_MAX,
              "a header within the limit has a block that fits 32 bits");

// Sorts the searched records' numbers by the 12 bytes of their names, equal names by
// number, so that the records whose names begin with any given text lie together.
void index_by_name(pff_header* header, std::uint32_t first_entry, std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; ++i) header->by_name[i] = first_entry + i;
  std::sort(header->by_name, header->by_name + count, [header](std::uint32_t a, std::uint32_t b) {
    const int order = std::memcmp(record_at(header, a), record_at(header, b), pff_name_limit);
    return order != 0 ? order < 0 : a < b;
  });
}

int same_stamp(const fileio_os_stamp& a, const fileio_os_stamp& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Loads the archive found on disk at `real` (asked for as `spelled`), keyed by that path.
// An archive that claims a header above the limit, or whose header cannot be allocated, is
// refused like a corrupt one: a file another user planted must not end the program.
pff_header* load_header(const char* real, const char* spelled) {
  std::FILE* stream = std::fopen(real, "rb");
  if (stream == nullptr) return nullptr;

  // The whole fixed part is read at once; an archive shorter than it is refused. The stamp
  // comes first, so a change made while the header loads shows at the next look-up.
  unsigned char bytes[pff_fixed_size];
  pff_fixed_header fixed;
  std::uint64_t archive_size = 0;
  fileio_os_stamp stamp;
  if (!fileio_os_stamp_stream(stream, &stamp) || std::fread(bytes, 1, sizeof bytes, stream) != sizeof bytes ||
      !pff_magic_matches(bytes) || !fileio_os_size(stream, &archive_size)) {
    std::fclose(stream);
    return nullptr;
  }
  pff_decode_fixed(bytes, &fixed);
  if ((fixed.flags & pff_flag_refused) != 0 || fixed.header_length > pff_header_length_limit ||
      !pff_fixed_is_sound(&fixed, archive_size)) {
    std::fclose(stream);
    return nullptr;
  }

  // Within the limit the block fits 32 bits.
  const std::uint32_t count = pff_searched_count(&fixed);
  const std::uint32_t block_size = static_cast<std::uint32_t>(header_block_size(fixed.header_length, count));
  pff_header* header = static_cast<pff_header*>(pool_alloc(block_size));
  if (header == nullptr) {
    std::fclose(stream);
    return nullptr;
  }
  std::memcpy(header->archive, real, std::strlen(real) + 1);
  std::memcpy(header->asked, spelled, std::strlen(spelled) + 1);
  header->stream = stream;
  header->stamp = stamp;
  header->image_length = fixed.header_length;
  header->image = reinterpret_cast<unsigned char*>(header + 1);
  header->by_name = reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(header) + block_size) - count;
  // A header that cannot be listed would be lost with its stream; it is not kept.
  if (!load_image(header, &fixed, archive_size) || !list_prepend(header, pff_cache)) {
    std::fclose(stream);
    pool_free(header, block_size);
    return nullptr;
  }
  index_by_name(header, static_cast<std::uint32_t>(fixed.first_entry), count);
  return header;
}

// The header for the archive path `spelled`: the one last loaded under that path, else the
// one of the file the path leads to on disk, else that file loaded now. `reload` loads the
// file the path leads to now whatever is cached. Two folders never share a header: the key
// is the path as found, and a path asked for names one folder.
pff_header* open_header(const char* spelled, bool reload) {
  if (pff_cache == nullptr) pff_cache = list_create();
  if (pff_cache == nullptr) return nullptr;
  pff_header* cached = reload ? nullptr : cached_header(spelled, true);
  if (cached != nullptr) return cached;
  char real[pff_archive_path_limit + 1];
  if (!pff_disk_resolve(spelled, real, sizeof real)) return nullptr;
  cached = cached_header(real, false);
  if (cached != nullptr && !reload) return cached;
  pff_header* loaded = load_header(real, spelled);
  // The old header stays for the records handed out from it; its stream is not needed.
  if (loaded != nullptr && cached != nullptr && cached->stream != nullptr) {
    std::fclose(cached->stream);
    cached->stream = nullptr;
  }
  return loaded;
}

// Whether the header's file is unchanged since it was loaded.
bool is_current(const pff_header* header) {
  fileio_os_stamp now;
  return fileio_os_stamp_path(header->archive, &now) && same_stamp(now, header->stamp);
}

}  // namespace

pff_header* pffopen_header(const char* archive) {
  pff_header* header = open_header(archive, false);
  return header == nullptr || is_current(header) ? header : open_header(archive, true);
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

// Looks the member up in one header and opens it, only ever on the very file the header
// came from: the stream's own stamp must be the header's. False when the header is stale (its
// file changed since it was loaded), so that the file as it is now must answer instead.
bool search_header(const pff_header* header, pf_file* file, const char* name, std::size_t n, const char* mode,
                   const pff_entry** found) {
  const pff_entry* entry = find_record(header, name, n);
  if (entry == nullptr) return is_current(header);
  std::FILE* stream = std::fopen(header->archive, mode);
  if (stream == nullptr) return false;
  fileio_os_stamp opened;
  if (!fileio_os_stamp_stream(stream, &opened) || !same_stamp(opened, header->stamp) ||
      !fileio_os_seek_fresh(stream, entry->offset)) {
    std::fclose(stream);
    return false;
  }
  file->stream = stream;
  *found = entry;
  return true;
}

}  // namespace

const pff_entry* pffind(pf_file* file, std::size_t prefix_length, char* path, const char* mode) {
  // The archive is looked for in the directory as the handle names it, which on a file
  // system that tells letter case apart is the real one.
  char spelled[pff_archive_path_limit + 1];
  if (!compose_archive_path(spelled, path, prefix_length)) return nullptr;
  // Member names are upper-cased as the C locale does, which the program never leaves.
  for (char* c = path; *c != '\0'; ++c)
    if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
  const pff_header* header = open_header(spelled, false);
  if (header == nullptr) return nullptr;

  const char* name = path + prefix_length;
  std::size_t n = std::strlen(name);
  // An empty name would begin every record's name; it names no member.
  if (n == 0 || n > static_cast<std::size_t>(pff_name_limit) || !mode_only_reads(mode)) return nullptr;
  const pff_entry* entry = nullptr;
  if (!search_header(header, file, name, n, mode, &entry) && (header = open_header(spelled, true)) != nullptr)
    search_header(header, file, name, n, mode, &entry);
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
