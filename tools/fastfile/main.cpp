// fastfile: command-line entry point.
#include <cstdio>
#include <cstring>

#include "filelib/fileio.h"
#include "tools/fastfile/fastfile_tool.h"

namespace {

const char usage_text[] =
    "usage: fastfile create ARCHIVE PATH...\n"
    "       fastfile list ARCHIVE\n"
    "       fastfile extract ARCHIVE [NAME...] [-C FOLDER]\n"
    "       fastfile --help\n"
    "create packs each file named, and the regular files directly inside each folder named\n"
    "  (its subfolders are not entered: members have no folders). A member's name is its\n"
    "  file's base name in upper case, 12 characters at most, and must be one extract can\n"
    "  write. The archive is written whole or not at all.\n"
    "list prints each searched member's name, offset and size.\n"
    "extract writes the members named (all when none is), each once, into FOLDER (default\n"
    "  the current folder); a name is matched as create names a member.\n"
    "Paths are limited to %u characters once made absolute (the file library's limit);\n"
    "a file written is first written to NAME.new, which must fit too.\n"
    "Exit status: 0 done; 1 an archive or file could not be read or written, or a named\n"
    "member is missing; 2 a usage error, or files that create refuses.\n";

int usage(std::FILE* out, int status) {
  std::fprintf(out, usage_text, static_cast<unsigned>(FILEIO_PATH_LIMIT));
  return status;
}

int run_extract(int argc, char** argv) {
  // argv[0] is the archive; "-C FOLDER" may stand anywhere among the names.
  const char* directory = ".";
  char* names[4096];
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-C") == 0) {
      if (i + 1 >= argc) return usage(stderr, tool_usage);
      directory = argv[++i];
    } else if (count < int(sizeof names / sizeof names[0])) {
      names[count++] = argv[i];
    } else {
      tool_message("too many names");
      return tool_usage;
    }
  }
  return tool_extract(argv[0], names, count, directory);
}

int run(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))
    return usage(stdout, tool_ok);
  if (argc < 3) return usage(stderr, tool_usage);
  const char* command = argv[1];
  if (std::strcmp(command, "create") == 0)
    return argc < 4 ? usage(stderr, tool_usage) : tool_create(argv[2], argv + 3, argc - 3);
  if (std::strcmp(command, "list") == 0) return argc != 3 ? usage(stderr, tool_usage) : tool_list(argv[2]);
  if (std::strcmp(command, "extract") == 0) return run_extract(argc - 2, argv + 2);
  return usage(stderr, tool_usage);
}

}  // namespace

int main(int argc, char** argv) {
  // The tool writes its files through the file library's replacement.
  fileio_init();
  const int status = run(argc, argv);
  fileio_tidyup();
  return status;
}
