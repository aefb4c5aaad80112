// The text rules of the install state, shared by every command of the menu.
#include "install_state.h"

namespace {

char ascii_upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

bool usable_install_dir(const char* text) {
  return text != nullptr && text[0] != '\0' && !(text[0] == ' ' && text[1] == '\0');
}

bool equals_ignoring_case(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (ascii_upper(*a) != ascii_upper(*b)) return false;
  }
  return *a == *b;
}

bool begins_ignoring_case(const char* word, const char* prefix) {
  for (; *prefix != '\0'; ++word, ++prefix) {
    if (*word == '\0' || ascii_upper(*word) != ascii_upper(*prefix)) return false;
  }
  return true;
}
