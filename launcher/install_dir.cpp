#include "install_dir.h"

bool usable_install_dir(const char* text) {
  return text != nullptr && text[0] != '\0' && !(text[0] == ' ' && text[1] == '\0');
}
