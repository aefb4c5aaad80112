// fastfile list and extract: reading an archive with the same checks as the library.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "filelib/fileio_os.h"
#include "tools/fastfile/fastfile_tool.h"

namespace {

int refuse(tool_archive* archive, const char* path, const char* why) {
  tool_message("%s: %s", path, why);
  tool_archive_close(archive);
  return 0;
}

}  // namespace

int tool_archive_open(tool_archive* archive, const char* path) {
  archive->image = nullptr;
  archive->stream = tool_open_for_reading(path);
  if (archive->stream == nullptr) {
    tool_message("%s: cannot be opened: %s", path, std::strerror(errno));
    return 0;
  }
  unsigned char fixed[pff_fixed_size];
  if (std::fread(fixed, 1, sizeof fixed, archive->stream) != sizeof fixed || !pff_magic_matches(fixed))
    return refuse(archive, path, "not a fast-file archive");
  if (!fileio_os_size(archive->stream, &archive->size)) return refuse(archive, path, "size cannot be told");
  pff_decode_fixed(fixed, &archive->fixed);
  if ((archive->fixed.flags & pff_flag_refused) != 0)
    return refuse(archive, path, "flags bit 0 is set; the archive is not to be used");
  if (!pff_fixed_is_sound(&archive->fixed, archive->size))
    return refuse(archive, path, "corrupt header (lengths or record range)");

  archive->image = static_cast<unsigned char*>(std::malloc(archive->fixed.header_length));
  if (archive->image == nullptr) return refuse(archive, path, "out of memory");
  if (!fileio_os_seek(archive->stream, 0) || std::fread(archive->image, 1, archive->fixed.header_length,
                                                        archive->stream) != archive->fixed.header_length)
    return refuse(archive, path, "header cannot be read");
  if (!pff_records_are_sound(archive->image, &archive->fixed, archive->size))
    return refuse(archive, path, "corrupt record (member beyond the end of the file)");
  return 1;
}

void tool_archive_close(tool_archive* archive) {
  if (archive->stream != nullptr) std::fclose(archive->stream);
  std::free(archive->image);
  archive->stream = nullptr;
  archive->image = nullptr;
}

void tool_archive_record(const tool_archive* archive, std::uint32_t i, char* name, std::uint32_t* offset,
                         std::uint32_t* size) {
  const unsigned char* record =
      archive->image + pff_record_position(std::int64_t(archive->fixed.first_entry) + i);
  int length = 0;
  while (length < pff_name_limit && record[length] != '\0') {
    name[length] = static_cast<char>(record[length]);
    ++length;
  }
  name[length] = '\0';
  *offset = pff_get_u32(record + 12);
  *size = pff_get_u32(record + 16);
}

int tool_list(const char* path) {
  tool_archive archive;
  if (!tool_archive_open(&archive, path)) return tool_failed;
  std::uint32_t count = pff_searched_count(&archive.fixed);
  for (std::uint32_t i = 0; i < count; ++i) {
    char name[pff_name_limit + 1];
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    tool_archive_record(&archive, i, name, &offset, &size);
    std::printf("%-12s %10lu %10lu\n", name, static_cast<unsigned long>(offset),
                static_cast<unsigned long>(size));
  }
  tool_archive_close(&archive);
  return tool_ok;
}

namespace {

// 1 when an earlier searched record has the same name: lookups would never reach this one.
int is_hidden_duplicate(const tool_archive* archive, std::uint32_t index, const char* name) {
  for (std::uint32_t j = 0; j < index; ++j) {
    char earlier[pff_name_limit + 1];
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    tool_archive_record(archive, j, earlier, &offset, &size);
    if (std::strcmp(earlier, name) == 0) return 1;
  }
  return 0;
}

int extract_member(tool_archive* archive, const char* name, std::uint32_t offset, std::uint32_t size,
                   const char* directory) {
  if (!tool_name_is_plain_file(name)) {
    tool_message("member \"%s\": not a plain file name; skipped", name);
    return 0;
  }
  char target[FILEIO_PATH_LIMIT + 1];
  if (!tool_join_path(target, directory, name)) {
    tool_message("%s: path too long", name);
    return 0;
  }
  pf_file* output = tool_replace_open(target);
  if (output == nullptr) return 0;
  // The member's bytes without the end marker that follows them.
  unsigned char buffer[16384];
  std::uint32_t left = size;
  int copied = fileio_os_seek(archive->stream, offset);
  while (copied && left > 0) {
    std::size_t chunk = left < sizeof buffer ? left : sizeof buffer;
    std::size_t got = std::fread(buffer, 1, chunk, archive->stream);
    copied = got == chunk && std::fwrite(buffer, 1, got, output->stream) == got;
    left -= static_cast<std::uint32_t>(got);
  }
  if (!copied) {
    pfreplace_discard(output);
    tool_message("%s: could not be copied", target);
    return 0;
  }
  return tool_replace_commit(output, target);
}

// Marks every requested name that gives this member's name; 1 when there was one. Names
// that spell one member twice are all found by it, so it is extracted once.
int mark_requested(char* const* names, int count, const char* name, char* found) {
  int wanted_here = 0;
  for (int i = 0; i < count; ++i) {
    char wanted[pff_name_limit + 1];
    if (tool_member_name(names[i], wanted) && std::strcmp(wanted, name) == 0) {
      found[i] = 1;
      wanted_here = 1;
    }
  }
  return wanted_here;
}

}  // namespace

int tool_extract(const char* path, char* const* names, int count, const char* directory) {
  tool_archive archive;
  if (!tool_archive_open(&archive, path)) return tool_failed;
  char* found = static_cast<char*>(std::calloc(std::size_t(count) + 1, 1));
  int result = found != nullptr ? tool_ok : tool_failed;
  std::uint32_t entries = pff_searched_count(&archive.fixed);
  for (std::uint32_t i = 0; i < entries && found != nullptr; ++i) {
    char name[pff_name_limit + 1];
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    tool_archive_record(&archive, i, name, &offset, &size);
    if (count > 0 && !mark_requested(names, count, name, found)) continue;
    if (is_hidden_duplicate(&archive, i, name)) continue;
    if (!extract_member(&archive, name, offset, size, directory)) result = tool_failed;
  }
  for (int i = 0; i < count && found != nullptr; ++i) {
    if (!found[i]) {
      tool_message("%s: no such member in %s", names[i], path);
      result = tool_failed;
    }
  }
  std::free(found);
  tool_archive_close(&archive);
  return result;
}
