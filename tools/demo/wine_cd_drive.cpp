#include "wine_cd_drive.h"

#include <windows.h>
#include <winioctl.h>

#include <cctype>
#include <cstddef>
#include <cstring>

namespace {

// Wine's request to define a drive letter on a Unix folder (its mount manager's layout).
struct mountmgr_unix_drive {
  ULONG size, type, fs_type;
  DWORD serial;
  ULONGLONG unix_dev;
  WCHAR letter;
  USHORT mount_point_offset, device_offset, label_offset;
};

struct define_request {
  mountmgr_unix_drive drive;
  char mount_point[MAX_PATH];
};

constexpr DWORD define_unix_drive = CTL_CODE(0x6d, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

// The Unix name Wine gives a Windows path. False when there is none or it does not fit.
bool unix_name(const char* path, char* out, std::size_t capacity) {
  using to_unix = char*(CDECL*)(const WCHAR*);
  auto convert = reinterpret_cast<to_unix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  WCHAR wide[MAX_PATH];
  if (convert == nullptr || MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) == 0) return false;
  char* name = convert(wide);
  if (name == nullptr) return false;
  const bool fits = std::strlen(name) < capacity;
  if (fits) std::memcpy(out, name, std::strlen(name) + 1);
  HeapFree(GetProcessHeap(), 0, name);
  return fits;
}

}  // namespace

bool set_wine_cd_drive(char letter, const char* folder) {
  define_request request = {};
  request.drive.size = sizeof request;
  request.drive.type = folder != nullptr ? DRIVE_CDROM : DRIVE_NO_ROOT_DIR;
  request.drive.letter = static_cast<WCHAR>(std::tolower(static_cast<unsigned char>(letter)));
  request.drive.mount_point_offset = offsetof(define_request, mount_point);
  if (folder != nullptr && !unix_name(folder, request.mount_point, sizeof request.mount_point)) return false;
  HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  const BOOL done =
      DeviceIoControl(manager, define_unix_drive, &request, sizeof request, nullptr, 0, &returned, nullptr);
  CloseHandle(manager);
  return done != FALSE;
}
