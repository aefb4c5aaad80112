#include "malloc_seam.h"

extern "C" void* __real_malloc(std::size_t size);
extern "C" void __real_free(void* block);

namespace {

constexpr int log_capacity = 256;

bool watching = false;
bool refuse_all = false;
std::size_t limit = grant_everything;
malloc_request requests[log_capacity];
int request_count = 0;

}  // namespace

void malloc_watch(std::size_t grant_limit) {
  watching = true;
  refuse_all = grant_limit == refuse_everything;
  limit = grant_limit;
  request_count = 0;
}

void malloc_unwatch() {
  watching = false;
}

int malloc_request_count() {
  return request_count;
}

const malloc_request& malloc_request_at(int index) {
  return requests[index];
}

extern "C" void* __wrap_malloc(std::size_t size) {
  if (!watching) return __real_malloc(size);
  void* block = refuse_all || size > limit ? nullptr : __real_malloc(size);
  if (request_count < log_capacity) requests[request_count++] = malloc_request{size, block, false};
  return block;
}

extern "C" void __wrap_free(void* block) {
  if (watching && block != nullptr) {
    for (int i = 0; i < request_count; ++i) {
      if (requests[i].block == block && !requests[i].given_back) requests[i].given_back = true;
    }
  }
  __real_free(block);
}

// Chunks are never handed back to the C library, and a test may drop every block carved
// from one; LeakSanitizer would count that chunk as a leak.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:find_chunk\n";
}
