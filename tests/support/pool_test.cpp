// The pooled allocator on a fresh allocator per case (each case runs in its own process).
// Byte figures are written through pool_unit, so the 64-bit build checks the same rules as
// the 32-bit one, where the unit is 4.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "seams.h"
#include "support/pool.h"

namespace {

using sizes = std::vector<std::size_t>;

constexpr std::uint32_t round_up(std::uint32_t size) {
  return (size + pool_unit - 1) / pool_unit * pool_unit;
}

char* alloc(std::uint32_t size) {
  return static_cast<char*>(pool_alloc(size));
}

// Sizes of the logged malloc requests, or of those given back again.
sizes requested(bool only_given_back = false) {
  sizes found;
  for (int i = 0; i < malloc_request_count(); ++i)
    if (!only_given_back || malloc_request_at(i).given_back) found.push_back(malloc_request_at(i).size);
  return found;
}

// Carves the sizes from one chunk of exactly chunk_bytes, then leaves the C library refusing
// everything, so later requests live on free blocks alone.
std::vector<char*> refuse_after_chunk_of(std::uint32_t chunk_bytes,
                                         const std::vector<std::uint32_t>& block_sizes) {
  std::vector<char*> blocks;
  blocks.reserve(block_sizes.size());  // the static C++ runtime's own requests pass the seam too
  malloc_watch(chunk_bytes);
  for (std::uint32_t size : block_sizes) blocks.push_back(alloc(size));
  malloc_watch(refuse_everything);
  return blocks;
}

}  // namespace

TEST(pool, sizes_round_to_the_unit_carve_in_order_and_large_requests_pass_through) {
  malloc_watch(grant_everything);
  EXPECT_EQ(pool_alloc(0), nullptr);
  char* first = alloc(12);
  char* second = alloc(12);
  char* rest = alloc(4096 - 2 * round_up(12) - 2048);
  char* last = alloc(2048);  // fills the chunk exactly
  char* passed = alloc(2049);
  pool_free(passed, 2049);
  malloc_unwatch();
  EXPECT_EQ(requested(), (sizes{4096, round_up(2049)}));
  EXPECT_EQ(requested(true), (sizes{round_up(2049)}));
  malloc_watch(4096);
  EXPECT_EQ(pool_alloc(UINT32_MAX), nullptr);  // must not wrap round into a pooled class
  malloc_unwatch();
  EXPECT_EQ(second, first + round_up(12));
  EXPECT_EQ(rest, second + round_up(12));
  EXPECT_EQ(last, rest + 4096 - 2 * round_up(12) - 2048);

  char* one = alloc(1);
  EXPECT_EQ(alloc(1), one + pool_unit);
  pool_free(one, 0);  // size 0 releases nothing
  EXPECT_NE(alloc(pool_unit), one);
  pool_free(one, 3);
  EXPECT_EQ(alloc(pool_unit), one);
}

TEST(pool, short_remainder_waits_on_its_class_and_free_lists_are_last_in_first_out) {
  malloc_watch(grant_everything);
  char* first = alloc(2000);
  alloc(2000);
  char* third = alloc(100);
  malloc_unwatch();
  ASSERT_EQ(malloc_request_count(), 2);
  EXPECT_EQ(third, malloc_request_at(1).block);
  EXPECT_EQ(alloc(96), first + 4000);  // the 96 bytes behind the two 2000-byte blocks
  EXPECT_EQ(alloc(100), third + round_up(100));

  char* a = alloc(40);
  char* b = alloc(40);
  std::memset(a, 0xAB, 40);
  pool_free(a, 40);
  pool_free(b, 40);
  EXPECT_EQ(alloc(37), b);
  ASSERT_EQ(pool_alloc_zeroed(37), a);
  for (std::uint32_t i = 0; i < round_up(37); ++i) EXPECT_EQ(a[i], i < 37 ? 0 : '\xAB') << i;
}

TEST(pool, chunk_search_narrows_down_to_the_largest_granted_size) {
  malloc_watch(refuse_everything);
  EXPECT_EQ(pool_alloc(pool_unit), nullptr);
  malloc_unwatch();
  sizes one_search;
  for (std::size_t size = 4096; size >= 2 * pool_unit; size /= 2) one_search.push_back(size);
  one_search.push_back(0);
  EXPECT_EQ(requested(), one_search);

  malloc_watch(1500);
  char* block = alloc(pool_unit);
  malloc_unwatch();
  sizes expected = {4096, 2048, 1024, 1536, 1280, 1408, 1472, 1504, 1488, 1496};
  sizes given_back = {1024, 1280, 1408, 1472, 1488};
  const std::uint32_t kept = 1500 / pool_unit * pool_unit;
  if (kept == 1500) expected.push_back(1500), given_back.push_back(1496);
  EXPECT_EQ(requested(), expected);
  EXPECT_EQ(requested(true), given_back);
  EXPECT_EQ(block, malloc_request_at(malloc_request_count() - 1).block);
  // The whole kept chunk is handed out before another one is sought.
  malloc_watch(grant_everything);
  EXPECT_EQ(alloc(kept - pool_unit), block + pool_unit);
  EXPECT_EQ(malloc_request_count(), 0);

  malloc_watch(4095);
  alloc(2048);
  malloc_unwatch();
  EXPECT_EQ(requested().back(), 4096 - pool_unit);
  EXPECT_EQ(requested(true).size(), requested().size() - 2);  // all but 4096 (refused) and the kept one
}

TEST(pool, failed_search_keeps_the_old_remainder_and_drops_the_chunk) {
  std::vector<char*> blocks = refuse_after_chunk_of(96, {64});
  EXPECT_EQ(pool_alloc(64), nullptr);
  EXPECT_EQ(alloc(32), blocks[0] + 64);
  const int before = malloc_request_count();
  EXPECT_EQ(pool_alloc(pool_unit), nullptr);  // no chunk is current: it searches again
  malloc_unwatch();
  EXPECT_GT(malloc_request_count(), before);
}

TEST(pool, shortage_splits_the_largest_free_block_before_joining_any) {
  std::vector<char*> blocks = refuse_after_chunk_of(96, {64, 32});
  pool_free(blocks[0], 64);
  pool_free(blocks[1], 32);
  EXPECT_EQ(alloc(8), blocks[0]);
  // The rest sits on its own class, not joined with the free 32-byte block.
  EXPECT_EQ(alloc(64 - round_up(8)), blocks[0] + round_up(8));
  EXPECT_EQ(alloc(32), blocks[1]);
  malloc_unwatch();
}

TEST(pool, shortage_joins_free_neighbours_in_one_pass_but_never_into_the_largest_class) {
  const std::uint32_t u = pool_unit;
  const struct {
    std::vector<std::uint32_t> sizes;
    std::vector<int> release_order;
    bool joined;
  } cases[] = {
      {{u, u, u}, {0, 1, 2}, true},
      {{u, u, u}, {2, 0, 1}, true},
      {{u, u, 2 * u, 2 * u}, {0, 1, 2, 3}, true},  // joined blocks grow again within the pass
      {{1024, 1024}, {0, 1}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    std::uint32_t total = 0;
    for (std::uint32_t size : c.sizes) total += size;
    std::vector<char*> blocks = refuse_after_chunk_of(total, c.sizes);
    for (int index : c.release_order) pool_free(blocks[index], c.sizes[index]);
    EXPECT_EQ(pool_alloc(total), c.joined ? blocks[0] : nullptr);
    if (!c.joined) EXPECT_EQ(alloc(1024), blocks[1]);
    malloc_unwatch();
  }
}
