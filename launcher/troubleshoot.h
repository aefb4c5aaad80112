// The Graphics Troubleshooting dialog (template IDD_TROUBLESHOOT): the fog work-around.
#pragma once

#include <windows.h>

INT_PTR CALLBACK troubleshoot_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
