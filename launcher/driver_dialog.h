// The Select Driver dialog (template IDD_SELECT_DRIVER): lists the renderers on offer,
// best first, and ends with the index of the chosen one, or -1 for Cancel.
#pragma once

#include <windows.h>

// Run with DialogBoxParamA and the address of a DriverChoice as the initial parameter.
INT_PTR CALLBACK driver_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
