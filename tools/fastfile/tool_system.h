// What the archive tool asks of the system beyond the file library: what a path names, the
// names in a folder, and the words for a system error code. One file per platform.
#pragma once

enum tool_path_kind {
  tool_path_missing,
  tool_path_regular,
  tool_path_folder,
  tool_path_other,
  tool_path_unknown
};

// What `path` names, links followed. tool_path_other is anything that is neither a regular
// file nor a folder (a device, a pipe); tool_path_unknown, when the system cannot tell,
// sets *error to its code for why.
tool_path_kind tool_path_kind_of(const char* path, unsigned long* error);

// Calls visit(name, context) for each entry of `folder` but "." and "..", in the system's
// order. 0 when the folder cannot be listed, with *error the system's code for why.
int tool_folder_names(const char* folder, void (*visit)(const char* name, void* context), void* context,
                      unsigned long* error);

// The system's words for one of its error codes: those above, and pfreplace_error's.
const char* tool_system_message(unsigned long code);
