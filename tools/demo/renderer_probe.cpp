#include "renderer_probe.h"

#include <windows.h>
#include <ddraw.h>
#include <cpuid.h>

#include <cstdio>
#include <cstring>

namespace {

typedef HRESULT(WINAPI* enumerate_function)(LPDDENUMCALLBACKA, LPVOID);
typedef HRESULT(WINAPI* create_function)(GUID*, LPDIRECTDRAW*, IUnknown*);

constexpr int device_limit = 16;

struct device_list {
  int count;
  int has_guid[device_limit];
  GUID guid[device_limit];
};

void probe_cpu(machine_probe* probe) {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx)) return;
  probe->cpuid_available = 1;
  // The vendor text is spread over EBX, EDX, ECX in that order.
  std::memcpy(probe->cpu_vendor, &ebx, 4);
  std::memcpy(probe->cpu_vendor + 4, &edx, 4);
  std::memcpy(probe->cpu_vendor + 8, &ecx, 4);
  probe->cpu_vendor[12] = '\0';
  if (eax >= 1 && __get_cpuid(1, &eax, &ebx, &ecx, &edx)) probe->has_mmx = (edx & bit_MMX) != 0;
}

// The GUID pointer is only valid during the call, so the GUID is copied.
BOOL WINAPI remember_device(GUID* guid, LPSTR, LPSTR, LPVOID context) {
  device_list* devices = static_cast<device_list*>(context);
  if (devices->count >= device_limit) return FALSE;
  int slot = devices->count++;
  devices->has_guid[slot] = guid != nullptr;
  if (guid != nullptr) devices->guid[slot] = *guid;
  return TRUE;
}

bool device_has_3d(create_function create, GUID* guid) {
  LPDIRECTDRAW draw = nullptr;
  if (FAILED(create(guid, &draw, nullptr)) || draw == nullptr) return false;
  DDCAPS hardware;
  DDCAPS emulation;
  std::memset(&hardware, 0, sizeof hardware);
  std::memset(&emulation, 0, sizeof emulation);
  hardware.dwSize = sizeof hardware;
  emulation.dwSize = sizeof emulation;
  bool has_3d = SUCCEEDED(draw->GetCaps(&hardware, &emulation)) && (hardware.dwCaps & DDCAPS_3D) != 0;
  draw->Release();
  return has_3d;
}

// A library of the system folder, and only from there: the program runs in the game folder,
// where any player may add files, and Windows would look there first for a bare name.
HMODULE load_system_library(const char* name) {
  char path[MAX_PATH];
  const UINT folder = GetSystemDirectoryA(path, MAX_PATH);
  if (folder == 0 || folder >= MAX_PATH) return nullptr;
  const int written = std::snprintf(path + folder, MAX_PATH - folder, "\\%s", name);
  if (written < 0 || written >= int(MAX_PATH - folder)) return nullptr;
  // No error box for a library that is not there.
  const UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE library = LoadLibraryA(path);
  SetErrorMode(old_mode);
  return library;
}

void probe_display_devices(machine_probe* probe) {
  HMODULE ddraw = load_system_library("ddraw.dll");
  if (ddraw == nullptr) return;
  enumerate_function enumerate = reinterpret_cast<enumerate_function>(
      reinterpret_cast<void*>(GetProcAddress(ddraw, "DirectDrawEnumerateA")));
  create_function create =
      reinterpret_cast<create_function>(reinterpret_cast<void*>(GetProcAddress(ddraw, "DirectDrawCreate")));
  device_list devices = {};
  if (enumerate != nullptr && create != nullptr && SUCCEEDED(enumerate(remember_device, &devices))) {
    probe->ddraw_available = 1;
    for (int i = 0; i < devices.count; ++i) {
      bool primary = !devices.has_guid[i];
      if (primary ? probe->primary_3d : probe->secondary_3d) continue;
      if (!device_has_3d(create, primary ? nullptr : &devices.guid[i])) continue;
      if (primary) {
        probe->primary_3d = 1;
        probe->primary_device = i;
      } else {
        probe->secondary_3d = 1;
        probe->secondary_device = i;
      }
    }
  }
  FreeLibrary(ddraw);
}

bool library_loads(const char* name) {
  HMODULE library = load_system_library(name);
  if (library == nullptr) return false;
  FreeLibrary(library);
  return true;
}

}  // namespace

machine_probe probe_machine() {
  machine_probe probe = {};
  probe_cpu(&probe);
  probe_display_devices(&probe);
  probe.glide_dll_found = library_loads("glide3x.dll") || library_loads("glide2x.dll");
  return probe;
}
