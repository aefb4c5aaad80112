// Setup's checks and rights on the game folder, through the Windows API.
#pragma once

#include <cstddef>

#include "folder_rights.h"

// Looks at the folder setup is to install into: it may be missing (setup makes it), or a
// real folder, not a junction or other reparse point, holding only the named files. On a
// refusal `offending` (of `size` bytes) names the entry, or the folder itself.
folder_verdict check_install_folder(const char* folder, const char* const* known, int known_count,
                                    char* offending, std::size_t size);

// Gives the file or folder exactly the rights of the SDDL string, protected from what it
// would inherit. 0 on success, else the system's error code.
unsigned long set_rights(const char* path, const char* sddl);
