// fastfile create: packs loose files, and the regular files directly inside folders, into
// a new archive.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "filelib/fileio_os.h"
#include "tools/fastfile/fastfile_tool.h"
#include "tools/fastfile/tool_system.h"

namespace {

// A file to pack: where it is read from, and its member's name and size.
struct source {
  char path[FILEIO_PATH_LIMIT + 1];
  pff_member member;
};

// The files found so far; `sound` turns 0 with the first fault, and every fault is
// reported, so one run names them all.
struct source_list {
  source* items;
  int count;
  int capacity;
  int sound;
};

int refuse(source_list* sources, const char* format, const char* path, const char* detail) {
  tool_message(format, path, detail);
  sources->sound = 0;
  return 0;
}

// Names the member of a regular file and measures it.
int describe(source* file) {
  if (!tool_member_name(file->path, file->member.name)) {
    tool_message("%s: member names are 1 to 12 characters (the file's base name)", file->path);
    return 0;
  }
  if (!tool_name_is_plain_file(file->member.name)) {
    tool_message(
        "%s: member name \"%s\" holds a separator or a control character, so extract would refuse it",
        file->path, file->member.name);
    return 0;
  }
  std::FILE* stream = tool_open_for_reading(file->path);
  if (stream == nullptr) {
    tool_message("%s: cannot be read: %s", file->path, std::strerror(errno));
    return 0;
  }
  std::uint64_t size = 0;
  const int measured = fileio_os_size(stream, &size);
  std::fclose(stream);
  if (!measured) {
    tool_message("%s: its size cannot be told", file->path);
    return 0;
  }
  if (size > UINT32_MAX) {
    tool_message("%s: too large (%llu bytes); a member must be smaller than 4 GiB", file->path,
                 static_cast<unsigned long long>(size));
    return 0;
  }
  file->member.size = static_cast<std::uint32_t>(size);
  return 1;
}

int add_file(source_list* sources, const char* path) {
  if (sources->count == sources->capacity) {
    const int capacity = sources->capacity * 2 + 16;
    void* grown = std::realloc(sources->items, std::size_t(capacity) * sizeof(source));
    if (grown == nullptr) return refuse(sources, "%s: %s", path, "out of memory");
    sources->items = static_cast<source*>(grown);
    sources->capacity = capacity;
  }
  source* file = &sources->items[sources->count];
  *file = {};
  if (std::strlen(path) > FILEIO_PATH_LIMIT) return refuse(sources, "%s: %s", path, "path too long");
  std::strcpy(file->path, path);
  if (!describe(file)) {
    sources->sound = 0;
    return 0;
  }
  ++sources->count;
  return 1;
}

// Listing a folder: the folder's path and what has been found in it.
struct folder_visit {
  source_list* sources;
  const char* folder;
  int files;
};

// Members have no folders, so only the folder's own regular files are packed.
void visit_entry(const char* name, void* context) {
  folder_visit* visit = static_cast<folder_visit*>(context);
  char path[FILEIO_PATH_LIMIT + 1];
  if (!tool_join_path(path, visit->folder, name)) {
    refuse(visit->sources, "%s: %s", name, "path too long inside the folder");
    return;
  }
  unsigned long error = 0;
  switch (tool_path_kind_of(path, &error)) {
    case tool_path_regular:
      add_file(visit->sources, path);
      ++visit->files;
      break;
    case tool_path_folder:
      tool_message("%s: a folder; not packed (members have no folders)", path);
      break;
    case tool_path_unknown:
      refuse(visit->sources, "%s: cannot be examined: %s", path, tool_system_message(error));
      break;
    case tool_path_missing:
    case tool_path_other:
      tool_message("%s: not a regular file; not packed", path);
      break;
  }
}

void add_path(source_list* sources, const char* path) {
  unsigned long error = 0;
  switch (tool_path_kind_of(path, &error)) {
    case tool_path_regular:
      add_file(sources, path);
      return;
    case tool_path_folder: {
      folder_visit visit = {sources, path, 0};
      if (!tool_folder_names(path, visit_entry, &visit, &error))
        refuse(sources, "%s: the folder cannot be listed: %s", path, tool_system_message(error));
      else if (visit.files == 0)
        tool_message("%s: holds no regular files", path);
      return;
    }
    case tool_path_missing:
      refuse(sources, "%s: %s", path, "no such file or folder");
      return;
    case tool_path_other:
      refuse(sources, "%s: %s", path, "neither a regular file nor a folder");
      return;
    case tool_path_unknown:
      refuse(sources, "%s: cannot be examined: %s", path, tool_system_message(error));
      return;
  }
}

int by_name(const void* left, const void* right) {
  return std::strcmp(static_cast<const source*>(left)->member.name,
                     static_cast<const source*>(right)->member.name);
}

// Copies each member's bytes in record order.
int write_members(std::FILE* out, const source_list* sources) {
  for (int i = 0; i < sources->count; ++i) {
    const source* file = &sources->items[i];
    std::FILE* in = tool_open_for_reading(file->path);
    if (in == nullptr) {
      tool_message("%s: cannot be read: %s", file->path, std::strerror(errno));
      return 0;
    }
    int copied = pff_write_member_stream(out, in, file->member.size);
    std::fclose(in);
    if (!copied) {
      tool_message("%s: could not be copied whole (did it change?)", file->path);
      return 0;
    }
  }
  return 1;
}

// Records in name order: a name then always comes before the longer names it begins, so
// the lookup's prefix match can reach every member. 0 when two files give one name.
int sort_members(source_list* sources) {
  std::qsort(sources->items, std::size_t(sources->count), sizeof(source), by_name);
  int distinct = 1;
  for (int i = 1; i < sources->count; ++i) {
    const source* earlier = &sources->items[i - 1];
    const source* file = &sources->items[i];
    if (std::strcmp(file->member.name, earlier->member.name) == 0) {
      tool_message("%s and %s: both would be member %s", earlier->path, file->path, file->member.name);
      distinct = 0;
    }
  }
  return distinct;
}

int write_archive(const char* archive, const source_list* sources) {
  pff_member* members =
      static_cast<pff_member*>(std::calloc(std::size_t(sources->count) + 1, sizeof(pff_member)));
  if (members == nullptr) {
    tool_message("out of memory");
    return tool_failed;
  }
  for (int i = 0; i < sources->count; ++i) members[i] = sources->items[i].member;
  int result = tool_failed;
  std::uint32_t header_length = 0;
  if (!pff_plan_layout(members, sources->count, 0, &header_length)) {
    tool_message("%s: the archive would reach 4 GiB", archive);
  } else if (pf_file* output = tool_replace_open(archive)) {
    if (!pff_write_header(output->stream, members, sources->count, 0, header_length) ||
        !write_members(output->stream, sources)) {
      tool_message("%s: not written", archive);
      pfreplace_discard(output);
    } else if (tool_replace_commit(output, archive)) {
      result = tool_ok;
    }
  }
  std::free(members);
  return result;
}

}  // namespace

int tool_create(const char* archive, char* const* paths, int count) {
  source_list sources = {nullptr, 0, 0, 1};
  for (int i = 0; i < count; ++i) add_path(&sources, paths[i]);
  int result = tool_usage;
  if (sources.sound && sort_members(&sources)) result = write_archive(archive, &sources);
  std::free(sources.items);
  return result;
}
