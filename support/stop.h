// The fatal stop: what the file library does when it cannot go on.
#pragma once

#include "support/list.h"

// Functions without arguments (items of type void(*)()) that stop runs, front first, once
// per process. Null when none are registered.
extern list_node* stop_callbacks;

// Runs the callbacks (first call only), closes the open stream files, shows the formatted
// message (a "Fatal Error" box on Windows, standard error elsewhere) and ends the process
// with exit code 0. A null format shows "No Message"; the text is cut at 255 characters.
[[noreturn]] void stop(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Diagnostic hook of the file library; it writes nowhere in this program.
void debug_message(const char* tag, const char* format, ...) __attribute__((format(printf, 2, 3)));
