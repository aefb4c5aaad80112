// The archive reader over arbitrary "FASTFILE.DAT" bytes and member names, on disk. Each
// input is one archive in the process's scratch directory and one name looked up through
// pfopen. The lookup must agree with a plain reading of the format: a member is found only
// in a sound archive (magic, flag bit 0 clear, header_length covering every searched
// record, lying inside the file and within the reader's limit, first_entry not negative,
// every searched member inside the file), it is the first searched record whose name begins with the
// upper-cased name, and its stream starts at the member. Reading it with pfgets must end, and write modes
// must never reach the archive.
//
// Input: byte 0 options (bit 0: relative directory handle; bits 1-3: line capacity;
// bit 4: archive first), byte 1 the name's length (mod 16), the name, then the archive.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "filelib/fastfile.h"
#include "filelib/fastfile_format.h"
#include "filelib/fileio.h"
#include "fuzz_scratch.h"
#include "support/list.h"
#include "support/pool.h"

namespace {

std::uint32_t get_u32(const std::uint8_t* bytes) {
  return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
         std::uint32_t(bytes[3]) << 24;
}

// The record index a lookup of `name` must find, or -1 for none.
long expected_record(const std::string& archive, const std::string& name) {
  const std::uint64_t size = archive.size();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(archive.data());
  if (size < 28 || std::memcmp(bytes, "FASTF101", 8) != 0) return -1;
  const std::uint32_t header_length = get_u32(bytes + 8);
  const std::uint32_t flags = get_u32(bytes + 12);
  const std::int32_t first = static_cast<std::int32_t>(get_u32(bytes + 20));
  const std::int32_t count = static_cast<std::int32_t>(get_u32(bytes + 24));
  if ((flags & 1) != 0 || header_length < 28 || header_length > size || first < 0 ||
      header_length > pff_header_length_limit)
    return -1;
  const std::int64_t searched = count > 0 ? count : 0;
  if (28 + 24 * (std::int64_t(first) + searched) > std::int64_t(header_length)) return -1;
  for (std::int64_t i = first; i < first + searched; ++i) {
    const std::uint8_t* record = bytes + 28 + 24 * i;
    if (std::uint64_t(get_u32(record + 12)) + get_u32(record + 16) > size) return -1;
  }
  if (name.size() > 12) return -1;
  for (std::int64_t i = first; i < first + searched; ++i) {
    if (std::memcmp(bytes + 28 + 24 * i, name.data(), name.size()) == 0) return static_cast<long>(i);
  }
  return -1;
}

// Headers stay cached for the life of the process, the newest of each file with its stream
// open. Between inputs the cache is emptied the way it was filled, so every input loads its
// own archive and the process does not run out of file descriptors. A header's block ends
// with its index of the searched records.
void forget_cached_headers() {
  if (pff_cache == nullptr) return;
  while (pff_cache->next != pff_cache) {
    pff_header* header = static_cast<pff_header*>(pff_cache->next->item);
    list_remove(header, pff_cache);
    if (header->stream != nullptr) std::fclose(header->stream);
    pff_fixed_header fixed;
    pff_decode_fixed(header->image, &fixed);
    const char* block_end = reinterpret_cast<const char*>(header->by_name + pff_searched_count(&fixed));
    pool_free(header, static_cast<std::uint32_t>(block_end - reinterpret_cast<const char*>(header)));
  }
  list_destroy(pff_cache);
  pff_cache = nullptr;
}

struct scratch_handles {
  std::string archive_path;
  pf_dir* absolute;
  pf_dir* relative;
};

const scratch_handles& handles() {
  static scratch_handles made{};
  if (made.absolute == nullptr) {
    fileio_init();
    const std::string game = fuzz_scratch_dir() + "/game";
    fuzz_make_dir(game);
    made.archive_path = game + "/FASTFILE.DAT";
    made.absolute = pfdir_new(game.c_str(), nullptr);
    made.relative = pfdir_new("game", pfpath_new(fuzz_scratch_dir().c_str(), nullptr));
    FUZZ_CHECK(made.absolute != nullptr && made.relative != nullptr);
  }
  return made;
}

// Reads the member line by line until the reader reports the end.
void read_member(pf_file* file, std::uint64_t archive_size, int capacity) {
  std::vector<char> storage(static_cast<std::size_t>(capacity));
  char* buffer = storage.data();
  std::uint64_t calls = 0;
  while (pfgets(file, buffer, capacity)) {
    FUZZ_CHECK(std::memchr(buffer, '\0', static_cast<std::size_t>(capacity)) != nullptr);
    FUZZ_CHECK(++calls <= archive_size + 1);
  }
  FUZZ_CHECK(buffer[0] == '\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const scratch_handles& scratch = handles();
  const std::uint8_t options = data[0];
  std::size_t name_length = data[1] % 16;
  if (name_length > size - 2) name_length = size - 2;
  std::string name(reinterpret_cast<const char*>(data + 2), name_length);
  // A name is one file name: no separators, no terminator inside it.
  for (char& c : name) {
    if (c == '\0' || c == '/') c = '_';
  }
  const std::string archive(reinterpret_cast<const char*>(data + 2 + name_length), size - 2 - name_length);
  fuzz_write_file(scratch.archive_path, reinterpret_cast<const std::uint8_t*>(archive.data()),
                  archive.size());
  forget_cached_headers();
  fileio_options = (options & 0x10) != 0 ? FILEIO_ARCHIVE_FIRST : FILEIO_DEFAULT_OPTIONS;
  pf_dir* dir = (options & 1) != 0 ? scratch.relative : scratch.absolute;
  const int capacity = 1 + ((options >> 1) & 7) * 19;

  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  // The archive's own name opens it as a loose file. Directories ("." and "..") are not
  // files, so those names go on to the archive like any other; the empty name is no
  // file's name and finds nothing.
  const bool loose = name == "FASTFILE.DAT";
  const long record = loose || name.empty() ? -1 : expected_record(archive, upper);

  pf_file* file = pfopen(dir, name.c_str(), "rb");
  if (!loose) {
    FUZZ_CHECK((file != nullptr) == (record >= 0));
    FUZZ_CHECK(pfexists(dir, name.c_str()) == (record >= 0));
  }
  if (file != nullptr && file->entry != nullptr) {
    FUZZ_CHECK(file->name == nullptr);
    const pff_header* header = static_cast<const pff_header*>(pff_cache->next->item);
    const unsigned char* entry = reinterpret_cast<const unsigned char*>(file->entry);
    FUZZ_CHECK(entry == header->image + 28 + 24 * record);
    FUZZ_CHECK(std::uint64_t(file->entry->offset) + file->entry->size <= archive.size());
    FUZZ_CHECK(std::ftell(file->stream) == long(file->entry->offset));
    read_member(file, archive.size(), capacity);
  }
  pfclose(file);

  // Write modes never reach the archive: nothing is opened and its bytes stay.
  for (const char* mode : {"wb", "ab", "r+b", "w+"}) FUZZ_CHECK(pffopen(dir, name.c_str(), mode) == nullptr);
  std::string after;
  FUZZ_CHECK(fuzz_read_file(scratch.archive_path, &after) && after == archive);
  FUZZ_CHECK(fileio_files->next == fileio_files);
  fileio_options = FILEIO_DEFAULT_OPTIONS;
  return 0;
}
