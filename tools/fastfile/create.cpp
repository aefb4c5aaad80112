// fastfile create: packs loose files into a new archive.
#include <cstdlib>
#include <cstring>

#include "tools/fastfile/fastfile_tool.h"

namespace {

int by_name(const void* left, const void* right) {
  return std::strcmp(static_cast<const pff_member*>(left)->name, static_cast<const pff_member*>(right)->name);
}

// Fills in names and sizes; every fault is reported, so one run names them all.
int describe_members(pff_member* members, char* const* files, int count) {
  int sound = 1;
  for (int i = 0; i < count; ++i) {
    if (!tool_member_name(files[i], members[i].name)) {
      tool_error("%s: member names are 1 to 12 characters (the file's base name)", files[i]);
      sound = 0;
      continue;
    }
    if (!tool_regular_file_size(files[i], &members[i].size)) {
      tool_error("%s: not a readable regular file below 4 GiB", files[i]);
      sound = 0;
    }
  }
  return sound;
}

// Copies each member's bytes in record order. `order` maps record i to its file.
int write_members(std::FILE* out, const pff_member* members, const int* order, char* const* files,
                  int count) {
  for (int i = 0; i < count; ++i) {
    const char* file = files[order[i]];
    std::FILE* in = std::fopen(file, "rb");
    if (in == nullptr) {
      tool_error("%s: cannot be opened", file);
      return 0;
    }
    int copied = pff_write_member_stream(out, in, members[i].size);
    std::fclose(in);
    if (!copied) {
      tool_error("%s: could not be copied whole (did it change?)", file);
      return 0;
    }
  }
  return 1;
}

}  // namespace

int tool_create(const char* archive, char* const* files, int count) {
  // Member and file index travel together through the sort: the index sits after the name.
  struct sortable {
    pff_member member;
    int file;
  };
  sortable* entries = static_cast<sortable*>(std::calloc(std::size_t(count), sizeof(sortable)));
  pff_member* members = static_cast<pff_member*>(std::calloc(std::size_t(count), sizeof(pff_member)));
  int* order = static_cast<int*>(std::calloc(std::size_t(count), sizeof(int)));
  int result = tool_failed;
  if (entries == nullptr || members == nullptr || order == nullptr) {
    tool_error("out of memory");
    goto done;
  }
  if (!describe_members(members, files, count)) {
    result = tool_usage;
    goto done;
  }

  // Records in name order: a name then always comes before the longer names it begins,
  // so the lookup's prefix match can reach every member.
  for (int i = 0; i < count; ++i) entries[i] = {members[i], i};
  std::qsort(entries, std::size_t(count), sizeof(sortable), by_name);
  for (int i = 0; i < count; ++i) {
    members[i] = entries[i].member;
    order[i] = entries[i].file;
    if (i > 0 && std::strcmp(members[i].name, members[i - 1].name) == 0) {
      tool_error("%s and %s: both would be member %s", files[order[i - 1]], files[order[i]], members[i].name);
      result = tool_usage;
    }
  }
  if (result == tool_usage) goto done;

  {
    std::uint32_t header_length = 0;
    if (!pff_plan_layout(members, count, 0, &header_length)) {
      tool_error("%s: the archive would reach 4 GiB", archive);
      goto done;
    }
    tool_output output;
    if (!tool_output_open(&output, archive)) {
      tool_error("%s: cannot write beside it", archive);
      goto done;
    }
    if (!pff_write_header(output.stream, members, count, 0, header_length) ||
        !write_members(output.stream, members, order, files, count)) {
      tool_error("%s: not written", archive);
      tool_output_discard(&output);
      goto done;
    }
    if (!tool_output_commit(&output)) {
      tool_error("%s: could not be written", archive);
      goto done;
    }
    result = tool_ok;
  }
done:
  std::free(order);
  std::free(members);
  std::free(entries);
  return result;
}
