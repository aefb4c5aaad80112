// Path rules and current-directory calls on Linux with glibc: "/" separates, a name is
// absolute when it begins with "/", there are no drives and no text translation. It uses
// what Linux and glibc add to POSIX: O_PATH, program_invocation_name, the read-ahead
// fields of glibc's FILE, flock and st_ctim.
#include "filelib/fileio_os.h"

#include <fcntl.h>
#include <sys/file.h>
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

namespace {

void put_u64(std::uint32_t* words, std::uint64_t value) {
  words[0] = static_cast<std::uint32_t>(value);
  words[1] = static_cast<std::uint32_t>(value >> 32);
}

void stamp_of(const struct stat& info, fileio_os_stamp* stamp) {
  *stamp = {};
  put_u64(stamp->word, info.st_dev);
  put_u64(stamp->word + 2, info.st_ino);
  put_u64(stamp->word + 4, static_cast<std::uint64_t>(info.st_size));
  put_u64(stamp->word + 6, static_cast<std::uint64_t>(info.st_ctim.tv_sec));
  stamp->word[8] = static_cast<std::uint32_t>(info.st_ctim.tv_nsec);
}

}  // namespace

int fileio_os_stamp_path(const char* path, fileio_os_stamp* stamp) {
  struct stat info;
  if (stat(path, &info) != 0) return 0;
  stamp_of(info, stamp);
  return 1;
}

int fileio_os_stamp_stream(std::FILE* stream, fileio_os_stamp* stamp) {
  struct stat info;
  if (fstat(fileno(stream), &info) != 0) return 0;
  stamp_of(info, stamp);
  return 1;
}

void fileio_os_set_default_binary() {}

int fileio_os_default_is_binary() {
  return 1;
}

namespace {

// 1 when the descriptor's file is the one now at `path` itself, not reached through a link.
int is_file_at(int descriptor, const char* path) {
  struct stat held;
  struct stat named;
  return fstat(descriptor, &held) == 0 && lstat(path, &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

// Removes the temporary at `path` when no process holds its lock: a crash left it. Only the
// file that was locked is removed, so a temporary made meanwhile by another replacement is
// never taken for it. 0 with EBUSY when a replacement under way holds it.
int remove_stale_temporary(const char* path) {
  const int descriptor = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) {
    // A link is held by no one; unlink removes the link, never the file it names.
    if (errno == ELOOP) return unlink(path) == 0;
    return errno == ENOENT;
  }
  int removed = 0;
  if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) errno = EBUSY;
  } else {
    removed = !is_file_at(descriptor, path) || unlink(path) == 0;
  }
  close(descriptor);
  return removed;
}

// Makes the file `to` names reach the disk under that name, with a sync of its folder.
void sync_folder_of(const char* to) {
  char folder[FILEIO_PATH_LIMIT + 1] = ".";
  if (const char* last_separator = std::strrchr(to, '/')) {
    // A name right under the root keeps the root's own separator as its folder.
    const std::size_t length = last_separator == to ? 1 : static_cast<std::size_t>(last_separator - to);
    if (length > FILEIO_PATH_LIMIT) return;
    std::memcpy(folder, to, length);
    folder[length] = '\0';
  }
  const int descriptor = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor >= 0) {
    fsync(descriptor);
    close(descriptor);
  }
}

}  // namespace

// flock, not fcntl's locks: two descriptors of one file conflict also within one process,
// and a lock ends with the last descriptor, also when the process is killed.
std::FILE* fileio_os_create_temporary(const char* path, const char* keep_mode_of) {
  constexpr int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  int descriptor = open(path, flags, 0666);
  if (descriptor < 0 && errno == EEXIST && remove_stale_temporary(path)) {
    descriptor = open(path, flags, 0666);
    if (descriptor < 0 && errno == EEXIST) errno = EBUSY;  // another replacement came first
  }
  if (descriptor < 0) return nullptr;
  // Until the lock is taken, another replacement may find the new file unlocked, take it
  // for a stale one and remove it; the name then leads elsewhere and this one gives way.
  if (flock(descriptor, LOCK_EX | LOCK_NB) != 0 || !is_file_at(descriptor, path)) {
    close(descriptor);
    errno = EBUSY;
    return nullptr;
  }
  struct stat old;
  std::FILE* stream = nullptr;
  if (lstat(keep_mode_of, &old) != 0 || !S_ISREG(old.st_mode) || fchmod(descriptor, old.st_mode & 0777) == 0)
    stream = fdopen(descriptor, "wb");
  if (stream == nullptr) {
    const int error = errno;
    unlink(path);
    close(descriptor);
    errno = error;
  }
  return stream;
}

// The rename comes before the close: until then the lock keeps every other replacement
// from taking the temporary for a stale one. Once the bytes are synced and renamed, the
// close changes nothing on the disk.
int fileio_os_commit_temporary(std::FILE* stream, const char* path, const char* to) {
  if (std::fflush(stream) != 0 || fsync(fileno(stream)) != 0 || std::rename(path, to) != 0) {
    const int error = errno;
    fileio_os_discard_temporary(stream, path);
    errno = error;
    return 0;
  }
  sync_folder_of(to);
  std::fclose(stream);
  return 1;
}

void fileio_os_discard_temporary(std::FILE* stream, const char* path) {
  // The lock is still held, so the file at the name, if it is this one, is ours to remove.
  if (is_file_at(fileno(stream), path)) unlink(path);
  std::fclose(stream);
}

unsigned long fileio_os_error() {
  return errno != 0 ? static_cast<unsigned long>(errno) : EIO;
}

const unsigned long fileio_os_error_no_memory = ENOMEM;
const unsigned long fileio_os_error_bad_name = ENAMETOOLONG;
const unsigned long fileio_os_error_busy = EBUSY;
