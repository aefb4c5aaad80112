// fastfile list and extract: reading an archive with the same checks as the library.
#include <cstdlib>
#include <cstring>

#include "tools/fastfile/fastfile_tool.h"

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
namespace {

int stream_size(std::FILE* stream, std::uint64_t* size) {
  struct _stati64 info;
  if (_fstati64(_fileno(stream), &info) != 0 || info.st_size < 0) return 0;
  *size = std::uint64_t(info.st_size);
  return 1;
}
int seek_to(std::FILE* stream, std::uint32_t offset) {
  return _fseeki64(stream, offset, SEEK_SET) == 0;
}

}  // namespace
#else
#include <sys/stat.h>
namespace {

int stream_size(std::FILE* stream, std::uint64_t* size) {
  struct stat info;
  if (fstat(fileno(stream), &info) != 0 || info.st_size < 0) return 0;
  *size = std::uint64_t(info.st_size);
  return 1;
}
int seek_to(std::FILE* stream, std::uint32_t offset) {
  return fseeko(stream, off_t(offset), SEEK_SET) == 0;
}

}  // namespace
#endif

namespace {

int refuse(tool_archive* archive, const char* path, const char* why) {
  tool_error("%s: %s", path, why);
  tool_archive_close(archive);
  return 0;
}

}  // namespace

int tool_archive_open(tool_archive* archive, const char* path) {
  archive->image = nullptr;
  archive->stream = std::fopen(path, "rb");
  if (archive->stream == nullptr) {
    tool_error("%s: cannot be opened", path);
    return 0;
  }
  unsigned char fixed[pff_fixed_size];
  if (std::fread(fixed, 1, sizeof fixed, archive->stream) != sizeof fixed || !pff_magic_matches(fixed))
    return refuse(archive, path, "not a fast-file archive");
  if (!stream_size(archive->stream, &archive->size)) return refuse(archive, path, "size cannot be told");
  pff_decode_fixed(fixed, &archive->fixed);
  if ((archive->fixed.flags & pff_flag_refused) != 0)
    return refuse(archive, path, "flags bit 0 is set; the archive is not to be used");
  if (!pff_fixed_is_sound(&archive->fixed, archive->size))
    return refuse(archive, path, "corrupt header (lengths or record range)");

  archive->image = static_cast<unsigned char*>(std::malloc(archive->fixed.header_length));
  if (archive->image == nullptr) return refuse(archive, path, "out of memory");
  if (!seek_to(archive->stream, 0) || std::fread(archive->image, 1, archive->fixed.header_length,
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
    tool_error("member \"%s\": not a plain file name; skipped", name);
    return 0;
  }
  char target[tool_path_capacity];
  if (!tool_join_path(target, directory, name)) {
    tool_error("%s: path too long", name);
    return 0;
  }
  tool_output output;
  if (!tool_output_open(&output, target)) {
    tool_error("%s: cannot be written", target);
    return 0;
  }
  // The member's bytes without the end marker that follows them.
  unsigned char buffer[16384];
  std::uint32_t left = size;
  int copied = seek_to(archive->stream, offset);
  while (copied && left > 0) {
    std::size_t chunk = left < sizeof buffer ? left : sizeof buffer;
    std::size_t got = std::fread(buffer, 1, chunk, archive->stream);
    copied = got == chunk && std::fwrite(buffer, 1, got, output.stream) == got;
    left -= static_cast<std::uint32_t>(got);
  }
  if (!copied) {
    tool_output_discard(&output);
    tool_error("%s: could not be copied", target);
    return 0;
  }
  if (!tool_output_commit(&output)) {
    tool_error("%s: could not be written", target);
    return 0;
  }
  return 1;
}

int requested(char* const* names, int count, const char* name, int* which) {
  for (int i = 0; i < count; ++i) {
    char wanted[pff_name_limit + 1];
    if (tool_member_name(names[i], wanted) && std::strcmp(wanted, name) == 0) {
      *which = i;
      return 1;
    }
  }
  return 0;
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
    int which = 0;
    if (count > 0 && !requested(names, count, name, &which)) continue;
    if (is_hidden_duplicate(&archive, i, name)) continue;
    if (count > 0) found[which] = 1;
    if (!extract_member(&archive, name, offset, size, directory)) result = tool_failed;
  }
  for (int i = 0; i < count && found != nullptr; ++i) {
    if (!found[i]) {
      tool_error("%s: no such member in %s", names[i], path);
      result = tool_failed;
    }
  }
  std::free(found);
  tool_archive_close(&archive);
  return result;
}
