// The game programs' options, as the menu passes them. No Win32 calls.
#pragma once

#include <cstddef>

struct game_option_meaning {
  const char* option;
  const char* meaning;
};

// -arr Direct3D Ramp ... -ark AMD renderer, then -anf.
constexpr int renderer_option_count = 7;
extern const game_option_meaning renderer_options[renderer_option_count];
extern const game_option_meaning fog_option;

struct game_options {
  int renderer;        // index into renderer_options, or -1 when none was given
  int renderer_count;  // how many renderer options were given (the last one counts)
  int fog_workaround;  // -anf was given
  int unknown_count;   // arguments that are none of these
};

// Reads the arguments (the command line after the program name); options match exactly,
// letter case included. Never fails: unknown words are counted.
game_options parse_game_options(const char* arguments);

// A text for the game window: one line per argument, "option: meaning", in order, unknown
// words marked as such, and a closing line when no renderer was chosen. Lines end with
// CR LF. Returns the length; a text that does not fit is cut at a line end.
std::size_t describe_game_options(const char* arguments, char* out, std::size_t capacity);
