// The platform's part of stop(): one implementation per platform.
#pragma once

// Writes out and closes every open stream file apart from the three standard streams.
void stop_close_streams();

// Tells the user why the program ends and waits until they have seen it where that applies.
void stop_show_message(const char* text);

// Ends the process at once with exit code 0.
[[noreturn]] void stop_end_process();
