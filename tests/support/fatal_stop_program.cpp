// A Windows program that ends in stop(), for the test that plays the user at its
// "Fatal Error" box. It leaves a line in the buffer of the file named by its argument.
#include <cstdio>

#include "support/stop.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::FILE* file = std::fopen(argv[1], "w");
  if (file == nullptr) return 3;
  std::setvbuf(file, nullptr, _IOFBF, 4096);
  std::fputs("buffered line", file);
  stop("pfopen(): out of memory");
}
