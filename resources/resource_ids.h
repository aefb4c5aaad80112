// Resource ids of the menu, shared by startup.rc and the launcher's code.
#pragma once

// Strings: button labels
#define IDS_CHANGE_DRIVER 13
#define IDS_PLAY 14
#define IDS_INSTALL_GAME 15
#define IDS_INSTALL_DIRECTX 16
#define IDS_UNINSTALL_GAME 17
#define IDS_EXIT 20
#define IDS_NETWORK_PLAY 37
#define IDS_TROUBLESHOOT 38
// Strings: captions, messages, window names
#define IDS_ERROR_CAPTION 21
#define IDS_MENU_TITLE 22
#define IDS_ERROR_CDROM 23
#define IDS_ERROR_INSTALL 24
#define IDS_GAME_CLASS 25
#define IDS_GAME_TITLE 26
#define IDS_MENU_CLASS 27
// Strings: a setting that could not be saved, and which one
#define IDS_SAVE_FAILED 40
#define IDS_SAVE_ERROR_CODE 41
#define IDS_SETTING_DRIVER 42
#define IDS_SETTING_FOG 43
#define IDS_FOREIGN_PROGRAM 44
// Strings: renderer names and help texts (the driver table refers to them)
#define IDS_DRIVER_RAMP 2
#define IDS_DRIVER_MMX 3
#define IDS_DRIVER_PRIMARY_HAL 4
#define IDS_DRIVER_SECONDARY_HAL 5
#define IDS_DRIVER_GLIDE 8
#define IDS_DRIVER_PENTIUM 9
#define IDS_DRIVER_K6 10
#define IDS_HELP_MMX 28
#define IDS_HELP_PRIMARY_HAL 29
#define IDS_HELP_SECONDARY_HAL 30
#define IDS_HELP_GLIDE 33
#define IDS_HELP_PENTIUM 34
#define IDS_HELP_K6 35
#define IDS_HELP_RAMP 36

// Icon and picture
#define IDI_MENU_ICON 107
#define IDB_MENU_PICTURE 127

// Select Driver dialog
#define IDD_SELECT_DRIVER 131
#define IDC_DRIVER_LIST 132
#define IDC_DRIVER_HELP 1014
#define IDC_DRIVER_LIST_LABEL 1015
#define IDC_CURRENT_DRIVER_LABEL 1020

// Graphics Troubleshooting dialog
#define IDD_TROUBLESHOOT 149
#define IDC_NOFOG 1021
