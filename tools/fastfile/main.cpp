// fastfile: command-line entry point.
#include <cstdio>
#include <cstring>

#include "tools/fastfile/fastfile_tool.h"

namespace {

const char usage_text[] =
    "usage: fastfile create ARCHIVE FILE...\n"
    "       fastfile list ARCHIVE\n"
    "       fastfile extract ARCHIVE [NAME...] [-C DIR]\n"
    "Member names are the files' base names in upper case, 12 characters at most.\n";

int usage() {
  std::fputs(usage_text, stderr);
  return tool_usage;
}

int run_extract(int argc, char** argv) {
  // argv[0] is the archive; "-C DIR" may stand anywhere among the names.
  const char* directory = ".";
  char* names[4096];
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-C") == 0) {
      if (i + 1 >= argc) return usage();
      directory = argv[++i];
    } else if (count < int(sizeof names / sizeof names[0])) {
      names[count++] = argv[i];
    } else {
      tool_error("too many names");
      return tool_usage;
    }
  }
  return tool_extract(argv[0], names, count, directory);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  const char* command = argv[1];
  if (std::strcmp(command, "create") == 0)
    return argc < 4 ? usage() : tool_create(argv[2], argv + 3, argc - 3);
  if (std::strcmp(command, "list") == 0) return argc != 3 ? usage() : tool_list(argv[2]);
  if (std::strcmp(command, "extract") == 0) return run_extract(argc - 2, argv + 2);
  return usage();
}
