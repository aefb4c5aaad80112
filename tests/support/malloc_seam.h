// Test seam between the pooled allocator and the C library. Test programs link with
// -Wl,--wrap=malloc,--wrap=free, so every malloc and free of the linked objects passes
// through here. While a watch is on, requests above the grant limit are refused and every
// request is logged with its size and whether the block was given back.
#pragma once

#include <cstddef>
#include <cstdint>

struct malloc_request {
  std::size_t size;
  void* block;      // null when refused
  bool given_back;  // freed while the watch was on
};

constexpr std::size_t grant_everything = SIZE_MAX;
constexpr std::size_t refuse_everything = 0;

// Starts a new log and grants only requests of at most grant_limit bytes (refuse_everything
// refuses even zero-byte requests). The log holds the first 256 requests.
void malloc_watch(std::size_t grant_limit);

// Ends the watch: everything is granted and nothing is logged.
void malloc_unwatch();

int malloc_request_count();
const malloc_request& malloc_request_at(int index);
