// The native test build stops at the first sanitizer report: a test that overruns a
// buffer, overflows a signed integer or leaks memory fails instead of running on.
#include <gtest/gtest.h>
#include <sanitizer/lsan_interface.h>

#include <climits>
#include <cstdlib>

TEST(sanitizer_reports, each_report_ends_the_process) {
  EXPECT_DEATH(
      {
        volatile char* block = static_cast<volatile char*>(std::malloc(4));
        block[4] = 1;
        std::free(const_cast<char*>(block));
      },
      "heap-buffer-overflow");
  EXPECT_DEATH(
      {
        volatile int large = INT_MAX;
        volatile int sum = large + 1;
        (void)sum;
      },
      "signed integer overflow");
  EXPECT_DEATH(
      {
        void* volatile lost = std::malloc(64);
        lost = nullptr;
        __lsan_do_leak_check();
      },
      "detected memory leaks");
}
