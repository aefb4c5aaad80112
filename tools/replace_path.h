// Replacing a file named by a path, through the file library's replacement: for the tools
// that write whole files (the archive tool, the detection program).
#pragma once

#include "filelib/fileio.h"

// Opens the file library's replacement (pfreplace_open) for the file that `path` names,
// absolute or relative to the current directory; the library must be started. The caller
// writes the handle's stream and ends it with pfreplace_commit or pfreplace_discard, as
// with pfreplace_open. None when it cannot: *why then says why in words, or is none when
// pfreplace_error() holds the system's reason.
pf_file* replace_path_open(const char* path, const char** why);
