#include "folder_rights_apply.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <cstring>

namespace {

folder_verdict refuse(folder_verdict verdict, const char* name, char* offending, std::size_t size) {
  std::snprintf(offending, size, "%s", name);
  return verdict;
}

}  // namespace

folder_verdict check_install_folder(const char* folder, const char* const* known, int known_count,
                                    char* offending, std::size_t size) {
  const DWORD attributes = GetFileAttributesA(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
               ? folder_usable
               : refuse(folder_unreadable, folder, offending, size);
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return refuse(folder_reparse_point, folder, offending, size);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return refuse(folder_foreign_entry, folder, offending, size);

  char pattern[MAX_PATH + 2];
  if (std::snprintf(pattern, sizeof pattern, "%s\\*", folder) >= int(sizeof pattern))
    return refuse(folder_unreadable, folder, offending, size);
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(pattern, &entry);
  if (search == INVALID_HANDLE_VALUE) return refuse(folder_unreadable, folder, offending, size);
  folder_verdict verdict = folder_usable;
  do {
    if (std::strcmp(entry.cFileName, ".") == 0 || std::strcmp(entry.cFileName, "..") == 0) continue;
    verdict = judge_folder_entry(entry.cFileName, entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY,
                                 entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT, known, known_count);
    if (verdict != folder_usable) refuse(verdict, entry.cFileName, offending, size);
  } while (verdict == folder_usable && FindNextFileA(search, &entry));
  // A listing that stopped early for any reason but its end is no proof of an empty folder.
  if (verdict == folder_usable && GetLastError() != ERROR_NO_MORE_FILES)
    verdict = refuse(folder_unreadable, folder, offending, size);
  FindClose(search);
  return verdict;
}

unsigned long set_rights(const char* path, const char* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr))
    return GetLastError();
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  DWORD error =
      GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) ? ERROR_SUCCESS : GetLastError();
  if (error == ERROR_SUCCESS)
    error = SetNamedSecurityInfoA(const_cast<char*>(path), SE_FILE_OBJECT,
                                  DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                  nullptr, dacl, nullptr);
  LocalFree(descriptor);
  return error;
}
