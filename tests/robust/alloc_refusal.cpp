#include "alloc_refusal.h"

#include <cstddef>
#include <cstdint>

extern "C" void* __real_malloc(std::size_t size);
extern "C" void __real_free(void* block);
extern "C" void* __real__Z10pool_allocj(std::uint32_t size);
extern "C" void* __real__Z17pool_alloc_zeroedj(std::uint32_t size);

namespace {

bool armed = false;
refused_layer armed_layer = refused_layer::c_library;
long refuse_from = 0;
bool refuse_later = false;
long seen = 0;
long refused = 0;
// pool_alloc_zeroed may reach pool_alloc through the wrapper too: one request, one count.
int pool_depth = 0;

bool refuse_this(refused_layer layer) {
  if (!armed || layer != armed_layer) return false;
  ++seen;
  const bool refuse = seen == refuse_from || (refuse_later && seen > refuse_from);
  refused += refuse;
  return refuse;
}

}  // namespace

void refuse_requests(refused_layer layer, long first, bool persistent) {
  armed = true;
  armed_layer = layer;
  refuse_from = first;
  refuse_later = persistent;
  seen = 0;
  refused = 0;
}

long requests_seen() {
  return seen;
}
long requests_refused() {
  return refused;
}

extern "C" void* __wrap_malloc(std::size_t size) {
  return refuse_this(refused_layer::c_library) ? nullptr : __real_malloc(size);
}

extern "C" void __wrap_free(void* block) {
  __real_free(block);
}

// The pooled allocator's requests, refused or passed on to `real`.
static void* pooled(void* (*real)(std::uint32_t), std::uint32_t size) {
  if (pool_depth == 0 && refuse_this(refused_layer::pool)) return nullptr;
  ++pool_depth;
  void* block = real(size);
  --pool_depth;
  return block;
}

extern "C" void* __wrap__Z10pool_allocj(std::uint32_t size) {
  return pooled(__real__Z10pool_allocj, size);
}

extern "C" void* __wrap__Z17pool_alloc_zeroedj(std::uint32_t size) {
  return pooled(__real__Z17pool_alloc_zeroedj, size);
}
