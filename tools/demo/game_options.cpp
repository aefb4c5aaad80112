#include "game_options.h"

#include <cstdio>
#include <cstring>

#include "command_line.h"

const game_option_meaning renderer_options[renderer_option_count] = {
    {"-arr", "renderer Direct3D Ramp (software)"},  {"-arm", "renderer Direct3D MMX"},
    {"-ar1", "renderer Direct3D primary hardware"}, {"-ar2", "renderer Direct3D secondary hardware"},
    {"-ar3", "renderer native 3Dfx (Glide)"},       {"-arp", "renderer Brenn software renderer (Pentium)"},
    {"-ark", "renderer Brenn AMD renderer (K6)"},
};

const game_option_meaning fog_option = {"-anf", "fog work-around on"};

namespace {

int renderer_index(const char* word) {
  for (int i = 0; i < renderer_option_count; ++i) {
    if (std::strcmp(word, renderer_options[i].option) == 0) return i;
  }
  return -1;
}

// Appends one line if it fits whole; returns false once the text is full.
bool append_line(char* out, std::size_t capacity, std::size_t* used, const char* a, const char* b) {
  int written = std::snprintf(out + *used, capacity - *used, "%s: %s\r\n", a, b);
  if (written < 0 || static_cast<std::size_t>(written) >= capacity - *used) {
    out[*used] = '\0';
    return false;
  }
  *used += static_cast<std::size_t>(written);
  return true;
}

}  // namespace

game_options parse_game_options(const char* arguments) {
  game_options result = {-1, 0, 0, 0};
  const char* cursor = arguments;
  char word[64];
  int found;
  while ((found = next_argument(&cursor, word, sizeof word)) != 0) {
    int index = found == 1 ? renderer_index(word) : -1;
    if (index >= 0) {
      result.renderer = index;
      ++result.renderer_count;
    } else if (found == 1 && std::strcmp(word, fog_option.option) == 0) {
      result.fog_workaround = 1;
    } else {
      ++result.unknown_count;
    }
  }
  return result;
}

std::size_t describe_game_options(const char* arguments, char* out, std::size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = '\0';
  std::size_t used = 0;
  const char* cursor = arguments;
  char word[64];
  int found;
  while ((found = next_argument(&cursor, word, sizeof word)) != 0) {
    const char* text = found == 1 ? word : "(over-long argument)";
    int index = found == 1 ? renderer_index(word) : -1;
    const char* meaning = "unknown option, ignored";
    if (index >= 0) {
      meaning = renderer_options[index].meaning;
    } else if (found == 1 && std::strcmp(word, fog_option.option) == 0) {
      meaning = fog_option.meaning;
    }
    if (!append_line(out, capacity, &used, text, meaning)) return used;
  }
  if (parse_game_options(arguments).renderer < 0) {
    append_line(out, capacity, &used, "no renderer option", "the game would pick its default renderer");
  }
  return used;
}
