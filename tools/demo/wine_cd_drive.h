// A CD-ROM drive letter under Wine, for the game CD's files.
#pragma once

// Makes letter (a to z) a CD-ROM drive holding folder, a Windows path such as
// Z:\build\korvamund-cd; with a null folder takes the letter away. True when Wine's mount
// manager did it; false elsewhere (it is Wine's own request, as its configuration program
// makes it).
bool set_wine_cd_drive(char letter, const char* folder);
