// The demo's DirectX setup: every system this demo runs on has DirectX already.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "DirectX is already present on this system. Nothing needs to be installed.",
              "DirectX Setup", MB_OK | MB_ICONINFORMATION);
  return 0;
}
