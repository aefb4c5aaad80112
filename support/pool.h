// Pooled memory for the file library and the lists: small blocks come from 4096-byte chunks
// and per-size free stacks; larger requests pass straight through to malloc and free.
// Blocks carry no header, so a block is released with the size it was allocated with.
// Single-threaded; pooled memory is reused and never handed back to the C library.
#pragma once

#include <cstdint>

// Rounding unit and smallest block: 4 bytes, or a pointer's width where that is larger,
// since a free block holds the link to the next one in its first word.
constexpr std::uint32_t pool_unit = sizeof(void*) > 4 ? sizeof(void*) : 4;

// Largest pooled block; bigger requests go to malloc.
constexpr std::uint32_t pool_largest_block = 2048;

// Null for size 0 or when no memory can be found. The block is not cleared.
void* pool_alloc(std::uint32_t size);

// As pool_alloc, with the first size bytes set to zero.
void* pool_alloc_zeroed(std::uint32_t size);

// Size 0 does nothing. The size must round to the one the block was allocated with.
void pool_free(void* block, std::uint32_t size);
