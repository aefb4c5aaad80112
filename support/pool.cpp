// Pooled allocator. Sizes round up to pool_unit; a rounded size of at most
// pool_largest_block has the size class rounded / pool_unit and is served from that class's
// free stack, from the current chunk, or by splitting a larger free block. Only when the C
// library refuses a chunk do the expensive paths run: the split search and one pass that
// joins neighbouring free blocks.
#include "support/pool.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint32_t class_count = pool_largest_block / pool_unit;
constexpr std::uint32_t chunk_size = 4096;

// A free block's first word links it to the next free block of its class.
struct free_block {
  free_block* next;
};

// Index 0 is unused so that a class number indexes its own stack.
free_block* free_stacks[class_count + 1];
char* chunk_next;          // first byte of the current chunk not yet handed out
std::uint32_t chunk_left;  // bytes from chunk_next to the chunk's end

std::uint32_t size_of_class(std::uint32_t size_class) {
  return size_class * pool_unit;
}

void push_block(void* block, std::uint32_t size_class) {
  free_block* entry = static_cast<free_block*>(block);
  entry->next = free_stacks[size_class];
  free_stacks[size_class] = entry;
}

void* pop_block(std::uint32_t size_class) {
  free_block* entry = free_stacks[size_class];
  if (entry != nullptr) free_stacks[size_class] = entry->next;
  return entry;
}

// Largest chunk of at most chunk_size bytes that malloc grants, to pool_unit bytes: probe
// downwards by halving steps after a refusal, upwards again after a grant, and keep the
// first block granted with the finest step. A block granted before the finest step is
// given back, since a larger one may still follow.
void* find_chunk(std::uint32_t* granted_size) {
  const std::uint32_t finest_step = pool_unit;
  std::uint32_t request = chunk_size;
  std::uint32_t step = chunk_size;
  bool refused = false;
  for (;;) {
    void* chunk = std::malloc(request);
    if (chunk != nullptr) {
      if (!refused || step < 2 * finest_step) {
        *granted_size = request;
        return chunk;
      }
      std::free(chunk);
      step /= 2;
      request += step;
    } else {
      if (step > 2 * finest_step) {
        step /= 2;
      } else if (request < 2 * finest_step) {
        return nullptr;
      }
      refused = true;
      request -= step;
    }
  }
}

void* carve_from_chunk(std::uint32_t size) {
  void* block = chunk_next;
  chunk_next += size;
  chunk_left -= size;
  return block;
}

// Takes size bytes from the current chunk, replacing it when it is too short. The rest of
// a replaced chunk is smaller than the request, so it always fits a size class.
void* carve(std::uint32_t size) {
  if (chunk_next != nullptr && size <= chunk_left) return carve_from_chunk(size);
  std::uint32_t new_size = 0;
  char* new_chunk = static_cast<char*>(find_chunk(&new_size));
  if (chunk_next != nullptr && chunk_left != 0) push_block(chunk_next, chunk_left / pool_unit);
  chunk_next = new_chunk;
  chunk_left = new_chunk != nullptr ? new_size : 0;
  if (new_chunk == nullptr || new_size < size) return nullptr;
  return carve_from_chunk(size);
}

// Pops the largest free block above size_class, hands out its start and keeps the rest
// on the stack of the rest's own class.
void* split_larger_block(std::uint32_t size_class) {
  for (std::uint32_t larger = class_count; larger > size_class; --larger) {
    char* block = static_cast<char*>(pop_block(larger));
    if (block == nullptr) continue;
    push_block(block + size_of_class(size_class), larger - size_class);
    return block;
  }
  return nullptr;
}

// Joins block (of block_class) with the first free block of neighbour_class that touches
// it on either side, and pushes the joined block onto the stack of the summed class.
// Returns the joined block's start, or null when no block of that class touches it.
void* merge_with_neighbour(char* block, std::uint32_t block_class, std::uint32_t neighbour_class) {
  const std::uint32_t joined_class = block_class + neighbour_class;
  for (free_block** link = &free_stacks[neighbour_class]; *link != nullptr; link = &(*link)->next) {
    char* neighbour = reinterpret_cast<char*>(*link);
    char* joined = nullptr;
    if (neighbour + size_of_class(neighbour_class) == block) {
      joined = neighbour;
    } else if (block + size_of_class(block_class) == neighbour) {
      joined = block;
    } else {
      continue;
    }
    *link = (*link)->next;
    push_block(joined, joined_class);
    return joined;
  }
  return nullptr;
}

// One pass over the classes, smallest first, joining each free block with a touching
// neighbour of its own or a larger class. Joined blocks land on a larger class that the
// pass reaches later, so they can grow again. No join reaches the largest class, so blocks
// of half that size or more seek no partner in their own turn.
void reclaim_free_blocks() {
  for (std::uint32_t size_class = 1; size_class < class_count; ++size_class) {
    free_block* kept_first = nullptr;
    free_block* kept_last = nullptr;
    while (free_block* block = static_cast<free_block*>(pop_block(size_class))) {
      bool joined = false;
      for (std::uint32_t partner = size_class; size_class + partner < class_count; ++partner) {
        if (merge_with_neighbour(reinterpret_cast<char*>(block), size_class, partner) != nullptr) {
          joined = true;
          break;
        }
      }
      if (joined) continue;
      block->next = nullptr;
      if (kept_last != nullptr) {
        kept_last->next = block;
      } else {
        kept_first = block;
      }
      kept_last = block;
    }
    free_stacks[size_class] = kept_first;
  }
}

// Rounds in 64 bits, so sizes near the 32-bit limit cannot wrap round to small ones.
std::uint64_t rounded_size(std::uint32_t size) {
  return (std::uint64_t{size} + pool_unit - 1) / pool_unit * pool_unit;
}

}  // namespace

void* pool_alloc(std::uint32_t size) {
  if (size == 0) return nullptr;
  const std::uint64_t rounded = rounded_size(size);
  if (rounded > pool_largest_block) {
    if (rounded > SIZE_MAX) return nullptr;
    return std::malloc(static_cast<std::size_t>(rounded));
  }
  const std::uint32_t size_class = static_cast<std::uint32_t>(rounded / pool_unit);
  if (void* block = pop_block(size_class)) return block;
  if (void* block = carve(size_of_class(size_class))) return block;
  if (void* block = split_larger_block(size_class)) return block;
  reclaim_free_blocks();
  if (void* block = pop_block(size_class)) return block;
  return split_larger_block(size_class);
}

void* pool_alloc_zeroed(std::uint32_t size) {
  void* block = pool_alloc(size);
  if (block != nullptr) std::memset(block, 0, size);
  return block;
}

void pool_free(void* block, std::uint32_t size) {
  if (block == nullptr || size == 0) return;
  const std::uint64_t rounded = rounded_size(size);
  if (rounded > pool_largest_block) {
    std::free(block);
    return;
  }
  push_block(block, static_cast<std::uint32_t>(rounded / pool_unit));
}
