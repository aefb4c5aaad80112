// The stop test's child, per platform: Windows shows the reason in a box, which a thread
// of the child answers, writing its text to standard error (where the POSIX build writes
// the message itself) with what the file held while the box was up.
#pragma once

#include <string>

std::string file_bytes();  // what the test's file holds now

// Runs in the child before it calls stop.
void answer_the_box();
// What the child reports after the message, given what the file held at the box.
std::string after_message(const std::string& written);
