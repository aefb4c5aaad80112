#include "stop_answer.h"

void answer_the_box() {}

std::string after_message(const std::string&) {
  return "\n$";
}
