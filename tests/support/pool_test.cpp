// The pooled allocator on a fresh allocator per case (each case runs in its own process).
// Byte figures are written through pool_unit, so the 64-bit build checks the same rules as
// the 32-bit one, where the unit is 4.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "malloc_seam.h"
#include "support/pool.h"

namespace {

constexpr std::uint32_t round_up(std::uint32_t size) {
  return (size + pool_unit - 1) / pool_unit * pool_unit;
}

char* alloc(std::uint32_t size) {
  return static_cast<char*>(pool_alloc(size));
}

// Sizes of the logged malloc requests, or of those given back again.
std::vector<std::size_t> requested_sizes(bool only_given_back = false) {
  std::vector<std::size_t> sizes;
  for (int i = 0; i < malloc_request_count(); ++i) {
    if (!only_given_back || malloc_request_at(i).given_back) sizes.push_back(malloc_request_at(i).size);
  }
  return sizes;
}

// Fills the current chunk with a chunk of exactly chunk_bytes and leaves the C library
// refusing everything, so later requests live on free blocks alone. Where the C++ runtime
// is linked in statically its allocations pass the seam too, hence the reserve.
void refuse_after_chunk_of(std::uint32_t chunk_bytes, std::vector<char*>* blocks,
                           const std::vector<std::uint32_t>& sizes) {
  blocks->reserve(sizes.size());
  malloc_watch(chunk_bytes);
  for (std::uint32_t size : sizes) blocks->push_back(alloc(size));
  malloc_watch(refuse_everything);
}

}  // namespace

TEST(PoolSizes, ClassesRoundToTheUnitAndLargeRequestsPassThrough) {
  malloc_watch(grant_everything);
  EXPECT_EQ(pool_alloc(0), nullptr);
  EXPECT_EQ(malloc_request_count(), 0);
  char* pooled = alloc(2048);
  char* passed = alloc(2049);
  pool_free(passed, 2049);
  pool_free(pooled, 2048);
  malloc_unwatch();
  ASSERT_NE(passed, nullptr);
  EXPECT_EQ(requested_sizes(), (std::vector<std::size_t>{4096, round_up(2049)}));
  EXPECT_EQ(requested_sizes(true), (std::vector<std::size_t>{round_up(2049)}));
  // Sizes near the 32-bit limit must not wrap round into a pooled class.
  malloc_watch(4096);
  EXPECT_EQ(pool_alloc(UINT32_MAX), nullptr);
  EXPECT_EQ(pool_alloc(UINT32_MAX - 1), nullptr);
  malloc_unwatch();

  char* block = alloc(1);
  EXPECT_EQ(alloc(1), block + pool_unit);
  pool_free(block, 0);  // size 0 releases nothing
  EXPECT_NE(alloc(pool_unit), block);
  pool_free(block, 3);
  EXPECT_EQ(alloc(pool_unit), block);
}

TEST(PoolCarving, BlocksFollowEachOtherThroughTheWholeChunk) {
  malloc_watch(grant_everything);
  char* first = alloc(12);
  char* second = alloc(12);
  const std::uint32_t left = 4096 - 2 * round_up(12);
  char* third = alloc(2048);
  char* last = alloc(left - 2048);
  const int requests_while_chunk_lasts = malloc_request_count();
  char* beyond = alloc(pool_unit);
  malloc_unwatch();
  EXPECT_EQ(second, first + round_up(12));
  EXPECT_EQ(third, second + round_up(12));
  EXPECT_EQ(last, third + 2048);
  EXPECT_EQ(requests_while_chunk_lasts, 1);
  ASSERT_EQ(malloc_request_count(), 2);
  EXPECT_EQ(beyond, malloc_request_at(1).block);
}

TEST(PoolCarving, ShortRemainderIsKeptAsAFreeBlock) {
  malloc_watch(grant_everything);
  char* first = alloc(2000);
  alloc(2000);
  char* third = alloc(100);
  malloc_unwatch();
  ASSERT_EQ(malloc_request_count(), 2);
  EXPECT_EQ(third, malloc_request_at(1).block);
  // The 96 bytes behind the two 2000-byte blocks wait on their own class.
  EXPECT_EQ(alloc(96), first + 4000);
  EXPECT_EQ(alloc(100), third + round_up(100));
}

TEST(PoolFreeLists, LastReleasedComesFirstAndZeroingIsExact) {
  char* first = alloc(40);
  char* second = alloc(40);
  std::memset(first, 0xAB, 40);
  pool_free(first, 40);
  pool_free(second, 40);
  EXPECT_EQ(alloc(37), second);
  ASSERT_EQ(pool_alloc_zeroed(37), first);
  for (std::uint32_t i = 0; i < round_up(37); ++i) EXPECT_EQ(first[i], i < 37 ? 0 : '\xAB') << i;
}

TEST(PoolChunkSearch, NarrowsDownToTheLargestGrantedSize) {
  malloc_watch(1500);
  char* block = alloc(pool_unit);
  malloc_unwatch();
  std::vector<std::size_t> expected = {4096, 2048, 1024, 1536, 1280, 1408, 1472, 1504, 1488, 1496};
  std::vector<std::size_t> given_back = {1024, 1280, 1408, 1472, 1488};
  const std::uint32_t kept = 1500 / pool_unit * pool_unit;
  if (kept == 1500) {
    expected.push_back(1500);
    given_back.push_back(1496);
  }
  EXPECT_EQ(requested_sizes(), expected);
  EXPECT_EQ(requested_sizes(true), given_back);
  EXPECT_EQ(block, malloc_request_at(malloc_request_count() - 1).block);
  // The whole kept chunk is handed out before another one is sought.
  malloc_watch(grant_everything);
  EXPECT_EQ(alloc(kept - pool_unit - 1024), block + pool_unit);
  EXPECT_EQ(alloc(1024), block + kept - 1024);
  EXPECT_EQ(malloc_request_count(), 0);
  alloc(pool_unit);
  malloc_unwatch();
  EXPECT_EQ(malloc_request_count(), 1);
}

TEST(PoolChunkSearch, OneByteShortOfAChunkKeepsOneUnitLess) {
  malloc_watch(4095);
  char* block = alloc(2048);
  malloc_unwatch();
  const int last = malloc_request_count() - 1;
  ASSERT_GT(last, 0);
  EXPECT_EQ(malloc_request_at(last).size, 4096 - pool_unit);
  EXPECT_EQ(malloc_request_at(last).block, block);
  EXPECT_FALSE(malloc_request_at(last).given_back);
  EXPECT_EQ(requested_sizes(true).size(), static_cast<std::size_t>(last - 1));
}

TEST(PoolChunkSearch, NothingGrantedGivesNullAfterOneSearch) {
  malloc_watch(refuse_everything);
  EXPECT_EQ(pool_alloc(pool_unit), nullptr);
  malloc_unwatch();
  std::vector<std::size_t> one_search;
  for (std::size_t size = 4096; size >= 2 * pool_unit; size /= 2) one_search.push_back(size);
  one_search.push_back(0);
  EXPECT_EQ(requested_sizes(), one_search);
}

TEST(PoolChunkSearch, FailedSearchKeepsTheOldRemainderAndDropsTheChunk) {
  std::vector<char*> blocks;
  refuse_after_chunk_of(96, &blocks, {64});
  EXPECT_EQ(pool_alloc(64), nullptr);
  EXPECT_EQ(alloc(32), blocks[0] + 64);
  // No chunk is current any more: even a one-unit request has to search again.
  const int before = malloc_request_count();
  EXPECT_EQ(pool_alloc(pool_unit), nullptr);
  malloc_unwatch();
  EXPECT_GT(malloc_request_count(), before);
}

TEST(PoolShortage, LargestFreeBlockIsSplitBeforeAnyJoining) {
  std::vector<char*> blocks;
  refuse_after_chunk_of(96, &blocks, {64, 32});
  ASSERT_EQ(blocks[1], blocks[0] + 64);
  pool_free(blocks[0], 64);
  pool_free(blocks[1], 32);
  EXPECT_EQ(alloc(8), blocks[0]);
  // The 56-byte rest sits on its own class, not joined with the free 32-byte block.
  EXPECT_EQ(alloc(64 - round_up(8)), blocks[0] + round_up(8));
  EXPECT_EQ(alloc(32), blocks[1]);
  malloc_unwatch();
}

TEST(PoolShortage, FreeNeighboursAreJoinedInOnePass) {
  const std::uint32_t u = pool_unit;
  const struct {
    std::vector<std::uint32_t> sizes;
    std::vector<int> release_order;
  } cases[] = {
      {{u, u, u}, {0, 1, 2}},
      {{u, u, u}, {2, 0, 1}},
      {{u, u, 2 * u, 2 * u}, {0, 1, 2, 3}},  // joined blocks grow again within the pass
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    std::uint32_t total = 0;
    for (std::uint32_t size : c.sizes) total += size;
    std::vector<char*> blocks;
    refuse_after_chunk_of(total, &blocks, c.sizes);
    for (int index : c.release_order) pool_free(blocks[index], c.sizes[index]);
    EXPECT_EQ(alloc(total), blocks[0]);
    EXPECT_EQ(pool_alloc(u), nullptr);
    malloc_unwatch();
  }
}

TEST(PoolShortage, JoiningNeverBuildsALargestClassBlock) {
  std::vector<char*> blocks;
  refuse_after_chunk_of(2048, &blocks, {1024, 1024});
  ASSERT_EQ(blocks[1], blocks[0] + 1024);
  pool_free(blocks[0], 1024);
  pool_free(blocks[1], 1024);
  EXPECT_EQ(pool_alloc(2048), nullptr);
  EXPECT_EQ(alloc(1024), blocks[1]);
  EXPECT_EQ(alloc(1024), blocks[0]);
  malloc_unwatch();
}
