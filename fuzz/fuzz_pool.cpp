// The pooled allocator under random sequences of allocations (sizes 0 to 3000, plain or
// zeroed), releases, and spells in which malloc refuses everything, checked against a
// model: live blocks never overlap and keep their bytes until released, zeroed blocks
// start zeroed, size 0 gives null, nothing fails while malloc grants, and a released block
// is what the next request of its size class gets back (its class's stack is last in,
// first out) while malloc grants; a refusal spell (splitting, the reclaim pass) may
// rearrange the free stacks, so the model forgets them at each spell's start and end.
//
// Input: a stream of operations. 0/1: allocate (1 = zeroed), two bytes of size; 2: release
// the live block chosen by the next byte; 3: start or end a refusal spell (see
// chunk_limit_for_refusals).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "fuzz_scratch.h"
#include "support/pool.h"

extern "C" void* __real_malloc(std::size_t size);
extern "C" void __real_free(void* block);

namespace {

bool refusing = false;

// Pooled memory is never handed back, so the free stacks grow over the hundreds of
// thousands of inputs of one process, and the reclaim pass that a refusal runs is
// quadratic in the number of free blocks (by design: the menu's pool holds a few dozen).
// Past this many chunks, refusal spells are skipped so that one input cannot take seconds.
constexpr long chunk_limit_for_refusals = 256;
long chunks_granted = 0;
constexpr std::size_t chunk_request = 4096;

constexpr std::size_t live_limit = 64;

struct live_block {
  unsigned char* start;
  std::uint32_t size;
  std::uint64_t extent;  // bytes the block occupies: its rounded size
  unsigned char fill;
};

std::uint64_t extent_of(std::uint32_t size) {
  return (std::uint64_t(size) + pool_unit - 1) / pool_unit * pool_unit;
}

bool is_pooled(std::uint32_t size) {
  return size > 0 && extent_of(size) <= pool_largest_block;
}

bool holds_fill(const live_block& block) {
  for (std::uint32_t i = 0; i < block.size; ++i) {
    if (block.start[i] != block.fill) return false;
  }
  return true;
}

struct model {
  std::vector<live_block> live;
  std::map<std::uintptr_t, std::uint64_t> occupied;  // start -> extent of every live block
  // Per size class, the blocks released in this input, most recent last.
  std::map<std::uint32_t, std::vector<unsigned char*>> released;
  unsigned char next_fill = 1;
};

void check_no_overlap(const model& m, std::uintptr_t start, std::uint64_t extent) {
  auto after = m.occupied.lower_bound(start);
  if (after != m.occupied.end()) FUZZ_CHECK(start + extent <= after->first);
  if (after != m.occupied.begin()) {
    auto before = std::prev(after);
    FUZZ_CHECK(before->first + before->second <= start);
  }
}

bool among_released(const model& m, const unsigned char* block) {
  for (const auto& stack : m.released) {
    for (const unsigned char* released : stack.second) {
      if (released == block) return true;
    }
  }
  return false;
}

void allocate(model& m, std::uint32_t size, bool zeroed) {
  void* raw = zeroed ? pool_alloc_zeroed(size) : pool_alloc(size);
  if (size == 0) {
    FUZZ_CHECK(raw == nullptr);
    return;
  }
  if (raw == nullptr) {
    FUZZ_CHECK(refusing);
    return;
  }
  unsigned char* block = static_cast<unsigned char*>(raw);
  const std::uint64_t extent = extent_of(size);
  FUZZ_CHECK(reinterpret_cast<std::uintptr_t>(block) % 4 == 0);
  check_no_overlap(m, reinterpret_cast<std::uintptr_t>(block), extent);
  if (zeroed) {
    for (std::uint32_t i = 0; i < size; ++i) FUZZ_CHECK(block[i] == 0);
  }
  // While malloc refuses, a request may be split from any larger free block, so which
  // block comes back is only predictable while it grants.
  if (is_pooled(size) && !refusing) {
    std::vector<unsigned char*>& stack = m.released[static_cast<std::uint32_t>(extent / pool_unit)];
    if (!stack.empty()) {
      // The class's stack is not empty, so its front block comes back: the one released
      // last, or a chunk's remainder pushed on top of it (never seen by the model).
      if (block == stack.back()) {
        stack.pop_back();
      } else {
        FUZZ_CHECK(!among_released(m, block));
      }
    }
  }
  live_block entry{block, size, extent, m.next_fill};
  m.next_fill = static_cast<unsigned char>(m.next_fill == 255 ? 1 : m.next_fill + 1);
  std::memset(block, entry.fill, size);
  m.occupied[reinterpret_cast<std::uintptr_t>(block)] = extent;
  m.live.push_back(entry);
}

void release(model& m, std::size_t index) {
  live_block block = m.live[index];
  FUZZ_CHECK(holds_fill(block));
  m.live.erase(m.live.begin() + static_cast<std::ptrdiff_t>(index));
  m.occupied.erase(reinterpret_cast<std::uintptr_t>(block.start));
  pool_free(block.start, block.size);
  if (is_pooled(block.size) && !refusing)
    m.released[static_cast<std::uint32_t>(block.extent / pool_unit)].push_back(block.start);
}

}  // namespace

extern "C" void* __wrap_malloc(std::size_t size) {
  if (refusing) return nullptr;
  void* block = __real_malloc(size);
  // Requests are at most 3000 bytes, so a request of a whole chunk is the pool's.
  if (block != nullptr && size == chunk_request) ++chunks_granted;
  return block;
}
extern "C" void __wrap_free(void* block) {
  __real_free(block);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  model m;
  std::size_t at = 0;
  while (at < size) {
    const std::uint8_t op = data[at++] % 4;
    if (op <= 1) {
      if (at + 2 > size) break;
      const std::uint32_t request = (std::uint32_t(data[at]) | std::uint32_t(data[at + 1]) << 8) % 3001;
      at += 2;
      if (m.live.size() < live_limit) allocate(m, request, op == 1);
    } else if (op == 2) {
      if (at >= size) break;
      const std::uint8_t choice = data[at++];
      if (!m.live.empty()) release(m, choice % m.live.size());
    } else if (refusing || chunks_granted < chunk_limit_for_refusals) {
      refusing = !refusing;
      // Splitting and the reclaim pass move free blocks between classes.
      m.released.clear();
    }
  }
  refusing = false;
  while (!m.live.empty()) release(m, m.live.size() - 1);
  return 0;
}
