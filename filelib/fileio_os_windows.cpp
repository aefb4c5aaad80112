// Path rules and current-directory calls of the Windows C runtime: "\" separates, names
// with a drive letter or a leading "\\" are absolute, and each drive has its own current
// directory.
#include "filelib/fileio_os.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <windows.h>

const char fileio_separator = '\\';

int fileio_os_getc(std::FILE* stream) {
  return _getc_nolock(stream);
}

// msvcrt keeps _cnt read-ahead bytes at _ptr, where _getc_nolock takes its characters
// from; while the stream is writing, _cnt counts free room instead.
std::size_t fileio_os_buffered(std::FILE* stream, const unsigned char** bytes) {
  *bytes = reinterpret_cast<const unsigned char*>(stream->_ptr);
  return (stream->_flag & _IOWRT) == 0 && stream->_cnt > 0 ? static_cast<std::size_t>(stream->_cnt) : 0;
}

void fileio_os_consume(std::FILE* stream, std::size_t count) {
  stream->_ptr += count;
  stream->_cnt -= static_cast<int>(count);
}

int fileio_os_name_is_absolute(const char* name) {
  return name[0] != '\0' && (name[1] == ':' || (name[0] == '\\' && name[1] == '\\'));
}

int fileio_os_full_path(char* out, const char* path) {
  return _fullpath(out, path, FILEIO_PATH_LIMIT + 1) != nullptr;
}

int fileio_os_get_directory(char* out) {
  return _getcwd(out, FILEIO_PATH_LIMIT + 1) != nullptr;
}

namespace {

// Drives: 1 for A and so on; 0 when the path has no drive letter.
int path_drive(const char* path) {
  const unsigned char letter = static_cast<unsigned char>(path[0]);
  if (!std::isalpha(letter) || path[1] != ':') return 0;
  return std::toupper(letter) - 'A' + 1;
}

}  // namespace

// The current drive, and the current directory of the directory's drive and of the drive
// we started on, are restored on every path: changing to a directory also makes it its
// drive's own current directory.
int fileio_os_visit_directory(const char* path) {
  char original[FILEIO_PATH_LIMIT + 1];
  char on_drive[FILEIO_PATH_LIMIT + 1];
  const int original_drive = _getdrive();
  if (!fileio_os_get_directory(original)) return 0;
  const int drive = path_drive(path);
  const int other_drive = drive != 0 && drive != original_drive;
  if (other_drive) {
    if (_chdrive(drive) != 0) return 0;
    if (!fileio_os_get_directory(on_drive)) {
      _chdrive(original_drive);
      _chdir(original);
      return 0;
    }
  }
  const int entered = _chdir(path) == 0;
  if (other_drive) {
    if (entered) _chdir(on_drive);
    _chdrive(original_drive);
  }
  // Changing back to a drive may land in a directory other than the one we left.
  _chdir(original);
  return entered;
}

int fileio_os_program_directory(char* out) {
  const char* invoked = __argv ? __argv[0] : nullptr;
  if (!invoked || std::strlen(invoked) > FILEIO_PATH_LIMIT) return 0;
  // Every part of a path no longer than the limit fits a buffer of the limit's size.
  char drive[FILEIO_PATH_LIMIT + 1];
  char directory[FILEIO_PATH_LIMIT + 1];
  _splitpath(invoked, drive, directory, nullptr, nullptr);
  _makepath(out, drive, directory, nullptr, nullptr);
  return 1;
}

std::FILE* fileio_os_open(const char* path, const char* mode) {
  return std::fopen(path, mode);
}

std::int64_t fileio_os_tell(std::FILE* stream) {
  return _ftelli64(stream);
}

int fileio_os_seek(std::FILE* stream, std::int64_t offset) {
  return _fseeki64(stream, offset, SEEK_SET) == 0;
}

int fileio_os_seek_fresh(std::FILE* stream, std::int64_t offset) {
  return fileio_os_seek(stream, offset);
}

int fileio_os_size(std::FILE* stream, std::uint64_t* size) {
  struct _stati64 info;
  if (_fstati64(_fileno(stream), &info) != 0 || info.st_size < 0) return 0;
  *size = static_cast<std::uint64_t>(info.st_size);
  return 1;
}

namespace {

void stamp_of(DWORD size_high, DWORD size_low, FILETIME written, fileio_os_stamp* stamp) {
  *stamp = {};
  stamp->word[0] = size_high;
  stamp->word[1] = size_low;
  stamp->word[2] = written.dwHighDateTime;
  stamp->word[3] = written.dwLowDateTime;
}

}  // namespace

int fileio_os_stamp_path(const char* path, fileio_os_stamp* stamp) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
  stamp_of(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime, stamp);
  return 1;
}

int fileio_os_stamp_stream(std::FILE* stream, fileio_os_stamp* stamp) {
  BY_HANDLE_FILE_INFORMATION data;
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &data)) return 0;
  stamp_of(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime, stamp);
  return 1;
}

void fileio_os_set_default_binary() {
  _fmode = _O_BINARY;
}

int fileio_os_default_is_binary() {
  return _fmode == _O_BINARY;
}

// A temporary held by a replacement under way is open without sharing, so deleting it
// fails; one that can be deleted was left by a crash.
std::FILE* fileio_os_create_temporary(const char* path, const char*) {
  HANDLE handle = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS && DeleteFileA(path))
    handle = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  std::FILE* stream = descriptor == -1 ? nullptr : _fdopen(descriptor, "wb");
  if (stream == nullptr) {
    if (descriptor == -1) {
      CloseHandle(handle);
    } else {
      _close(descriptor);
    }
    DeleteFileA(path);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  }
  return stream;
}

namespace {

int flush_to_disk(std::FILE* stream) {
  SetLastError(ERROR_SUCCESS);
  if (std::fflush(stream) == 0 && _commit(_fileno(stream)) == 0) return 1;
  // A write the disk has no room for fails in the C runtime alone, with no system code.
  if (GetLastError() == ERROR_SUCCESS) SetLastError(errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
  return 0;
}

}  // namespace

// Windows moves no file that is open without sharing, so the stream is closed first. A
// replacement that then takes the temporary for a stale one holds its own new file
// without sharing, and the move fails rather than put that file in place.
int fileio_os_commit_temporary(std::FILE* stream, const char* path, const char* to) {
  int done = flush_to_disk(stream);
  DWORD error = done ? ERROR_SUCCESS : fileio_os_error();
  if (std::fclose(stream) != 0 && done) {
    done = 0;
    error = fileio_os_error();
  }
  if (done && !MoveFileExA(path, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    done = 0;
    error = fileio_os_error();
  }
  if (!done) {
    DeleteFileA(path);
    SetLastError(error);
  }
  return done;
}

void fileio_os_discard_temporary(std::FILE* stream, const char* path) {
  std::fclose(stream);
  DeleteFileA(path);
}

unsigned long fileio_os_error() {
  const DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

const unsigned long fileio_os_error_no_memory = ERROR_NOT_ENOUGH_MEMORY;
const unsigned long fileio_os_error_bad_name = ERROR_FILENAME_EXCED_RANGE;
const unsigned long fileio_os_error_busy = ERROR_SHARING_VIOLATION;
