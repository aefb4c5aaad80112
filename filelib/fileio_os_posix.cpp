// Path rules and current-directory calls on Linux with glibc: "/" separates, a name is
// absolute when it begins with "/", there are no drives and no text translation. It uses
// what Linux and glibc add to POSIX: O_PATH, program_invocation_name and the read-ahead
// fields of glibc's FILE.
#include "filelib/fileio_os.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

#if !defined(__linux__) || !defined(__GLIBC__)
#error "fileio_os_posix.cpp serves Linux with glibc; other systems need a file of their own"
#endif

// Every position and size here is 64 bits wide, also on 32-bit Linux.
static_assert(sizeof(off_t) == 8, "the project builds with _FILE_OFFSET_BITS=64");

const char fileio_separator = '/';

int fileio_os_getc(std::FILE* stream) {
  return getc_unlocked(stream);
}

// glibc keeps the read-ahead between _IO_read_ptr and _IO_read_end, where getc_unlocked
// takes its characters from; a writing stream has the two equal.
std::size_t fileio_os_buffered(std::FILE* stream, const unsigned char** bytes) {
  *bytes = reinterpret_cast<const unsigned char*>(stream->_IO_read_ptr);
  return stream->_IO_read_ptr < stream->_IO_read_end
             ? static_cast<std::size_t>(stream->_IO_read_end - stream->_IO_read_ptr)
             : 0;
}

void fileio_os_consume(std::FILE* stream, std::size_t count) {
  stream->_IO_read_ptr += count;
}

int fileio_os_name_is_absolute(const char* name) {
  return name[0] == '/';
}

namespace {

// Drops the last component of an absolute path of the given length; the root stays.
std::size_t drop_last_component(const char* path, std::size_t length) {
  while (length > 1 && path[length - 1] != '/') --length;
  return length > 1 ? length - 1 : 1;
}

}  // namespace

// Works on the text alone, like the Windows full-path call: the path need not exist, "."
// and ".." and repeated separators are resolved, links are not followed, and a trailing
// separator is kept.
int fileio_os_full_path(char* out, const char* path) {
  std::size_t length;
  if (path[0] == '/') {
    out[0] = '/';
    length = 1;
  } else {
    if (!fileio_os_get_directory(out)) return 0;
    length = std::strlen(out);
  }
  const char* cursor = path;
  while (*cursor) {
    while (*cursor == '/') ++cursor;
    const char* component = cursor;
    while (*cursor && *cursor != '/') ++cursor;
    const std::size_t component_length = static_cast<std::size_t>(cursor - component);
    if (component_length == 0 || (component_length == 1 && component[0] == '.')) continue;
    if (component_length == 2 && component[0] == '.' && component[1] == '.') {
      length = drop_last_component(out, length);
      continue;
    }
    const std::size_t separator_length = length > 1 ? 1 : 0;
    if (separator_length + component_length > FILEIO_PATH_LIMIT - length) return 0;
    if (separator_length) out[length++] = '/';
    std::memcpy(out + length, component, component_length);
    length += component_length;
  }
  const std::size_t path_length = std::strlen(path);
  if (path_length > 0 && path[path_length - 1] == '/' && length > 1) {
    if (length >= FILEIO_PATH_LIMIT) return 0;
    out[length++] = '/';
  }
  out[length] = '\0';
  return 1;
}

int fileio_os_get_directory(char* out) {
  return getcwd(out, FILEIO_PATH_LIMIT + 1) != nullptr;
}

// The way back is an open descriptor of ".", not its name: a current directory deeper
// than the path limit, or one that has been removed, is still returned to. O_PATH needs no
// read permission on it.
int fileio_os_visit_directory(const char* path) {
  const int here = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (here < 0) return 0;
  const int entered = chdir(path) == 0;
  const int back = fchdir(here) == 0;
  close(here);
  return entered && back;
}

int fileio_os_program_directory(char* out) {
  const char* invoked = program_invocation_name;
  const char* last_separator = invoked ? std::strrchr(invoked, '/') : nullptr;
  const std::size_t length = last_separator ? static_cast<std::size_t>(last_separator - invoked) + 1 : 0;
  if (length > FILEIO_PATH_LIMIT) return 0;
  if (length) std::memcpy(out, invoked, length);
  out[length] = '\0';
  return 1;
}

std::int64_t fileio_os_tell(std::FILE* stream) {
  return ftello(stream);
}

int fileio_os_seek(std::FILE* stream, std::int64_t offset) {
  return fseeko(stream, static_cast<off_t>(offset), SEEK_SET) == 0;
}

// glibc moves an absolute seek back to the start of its buffer's block and reads the bytes
// in between, which a member never needs. From a fresh stream's position 0 a relative
// seek reaches the same byte and leaves the next read to start there.
int fileio_os_seek_fresh(std::FILE* stream, std::int64_t offset) {
  return fseeko(stream, static_cast<off_t>(offset), SEEK_CUR) == 0;
}

int fileio_os_size(std::FILE* stream, std::uint64_t* size) {
  struct stat info;
  if (fstat(fileno(stream), &info) != 0 || info.st_size < 0) return 0;
  *size = static_cast<std::uint64_t>(info.st_size);
  return 1;
}

std::FILE* fileio_os_open(const char* path, const char* mode) {
  std::FILE* stream = std::fopen(path, mode);
  struct stat status;
  if (stream && fstat(fileno(stream), &status) == 0 && S_ISDIR(status.st_mode)) {
    std::fclose(stream);
    return nullptr;
  }
  return stream;
}

void fileio_os_set_default_binary() {}

int fileio_os_default_is_binary() {
  return 1;
}

int fileio_os_sync(std::FILE* stream) {
  return std::fflush(stream) == 0 && fsync(fileno(stream)) == 0;
}

int fileio_os_replace(const char* from, const char* to) {
  if (std::rename(from, to) != 0) return 0;
  // The new name reaches the disk with a sync of its folder. The file is replaced whatever
  // that sync gives, so its result does not change the answer.
  char folder[FILEIO_PATH_LIMIT + 1] = ".";
  if (const char* last_separator = std::strrchr(to, '/')) {
    // A name right under the root keeps the root's own separator as its folder.
    const std::size_t length = last_separator == to ? 1 : static_cast<std::size_t>(last_separator - to);
    if (length > FILEIO_PATH_LIMIT) return 1;
    std::memcpy(folder, to, length);
    folder[length] = '\0';
  }
  const int descriptor = open(folder, O_RDONLY | O_DIRECTORY);
  if (descriptor >= 0) {
    fsync(descriptor);
    close(descriptor);
  }
  return 1;
}

unsigned long fileio_os_error() {
  return errno != 0 ? static_cast<unsigned long>(errno) : EIO;
}

const unsigned long fileio_os_error_no_memory = ENOMEM;
const unsigned long fileio_os_error_bad_name = ENAMETOOLONG;
