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

char* alloc(std::uint32_t size) { return static_cast<char*>(pool_alloc(size)); }

std::vector<std::size_t> requested_sizes() {
  std::vector<std::size_t> sizes;
  for (int i = 0; i < malloc_request_count(); ++i) sizes.push_back(malloc_request_at(i).size);
  return sizes;
}

std::vector<std::size_t> given_back_sizes() {
  std::vector<std::size_t> sizes;
  for (int i = 0; i < malloc_request_count(); ++i) {
    if (malloc_request_at(i).given_back) sizes.push_back(malloc_request_at(i).size);
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

TEST(PoolSizes, ZeroBytesAreNeitherGrantedNorReleased) {
  malloc_watch(grant_everything);
  EXPECT_EQ(pool_alloc(0), nullptr);
  EXPECT_EQ(malloc_request_count(), 0);
  char* first = alloc(8);
  pool_free(first, 0);
  char* second = alloc(8);
  malloc_unwatch();
  EXPECT_NE(second, first);
}

TEST(PoolSizes, RequestsUpToOneUnitShareTheSmallestClass) {
  char* block = alloc(1);
  char* next = alloc(1);
  EXPECT_EQ(next, block + pool_unit);
  pool_free(block, pool_unit);
  EXPECT_EQ(alloc(3), block);
  pool_free(block, 2);
  EXPECT_EQ(alloc(pool_unit), block);
  pool_free(block, 1);
  EXPECT_EQ(alloc(2), block);
}

TEST(PoolSizes, LargestPooledSizeComesFromAChunkAndLargerPassesThrough) {
  malloc_watch(grant_everything);
  char* pooled = alloc(2048);
  char* passed = alloc(2049);
  pool_free(passed, 2049);
  pool_free(pooled, 2048);
  malloc_unwatch();
  ASSERT_NE(pooled, nullptr);
  ASSERT_NE(passed, nullptr);
  EXPECT_EQ(requested_sizes(), (std::vector<std::size_t>{4096, round_up(2049)}));
  EXPECT_EQ(given_back_sizes(), (std::vector<std::size_t>{round_up(2049)}));
}

TEST(PoolSizes, SizesNearTheLimitDoNotWrapIntoPooledClasses) {
  malloc_watch(refuse_everything);
  EXPECT_EQ(pool_alloc(UINT32_MAX), nullptr);
  EXPECT_EQ(pool_alloc(UINT32_MAX - 1), nullptr);
  malloc_unwatch();
  for (std::size_t size : requested_sizes()) EXPECT_GT(size, 4096u);
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

TEST(PoolFreeLists, ReleasedBlocksComeBackLastReleasedFirst) {
  char* a = alloc(40);
  char* b = alloc(40);
  pool_free(a, 40);
  pool_free(b, 40);
  EXPECT_EQ(alloc(37), b);
  EXPECT_EQ(alloc(40), a);
}

TEST(PoolFreeLists, ZeroedBlockClearsOnlyTheRequestedBytes) {
  unsigned char* block = static_cast<unsigned char*>(pool_alloc(16));
  std::memset(block, 0xAB, 16);
  pool_free(block, 16);
  ASSERT_EQ(pool_alloc_zeroed(13), block);
  for (int i = 0; i < 13; ++i) EXPECT_EQ(block[i], 0) << i;
  for (std::uint32_t i = 13; i < round_up(13); ++i) EXPECT_EQ(block[i], 0xAB) << i;
}

TEST(PoolChunkSearch, NarrowsDownToTheLargestGrantedSize) {
  malloc_watch(1500);
  char* block = alloc(pool_unit);
  malloc_unwatch();
  std::vector<std::size_t> expected = {4096, 2048, 1024, 1536, 1280, 1408,
                                       1472, 1504, 1488, 1496};
  std::vector<std::size_t> given_back = {1024, 1280, 1408, 1472, 1488};
  const std::uint32_t kept = 1500 / pool_unit * pool_unit;
  if (kept == 1500) {
    expected.push_back(1500);
    given_back.push_back(1496);
  }
  EXPECT_EQ(requested_sizes(), expected);
  EXPECT_EQ(given_back_sizes(), given_back);
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
  EXPECT_EQ(given_back_sizes().size(), static_cast<std::size_t>(last - 1));
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

TEST(PoolShortage, AdjacentSmallBlocksAreJoinedInOnePass) {
  std::vector<char*> blocks;
  refuse_after_chunk_of(3 * pool_unit, &blocks, {pool_unit, pool_unit, pool_unit});
  for (char* block : blocks) pool_free(block, pool_unit);
  EXPECT_EQ(alloc(3 * pool_unit), blocks[0]);
  EXPECT_EQ(pool_alloc(pool_unit), nullptr);
  malloc_unwatch();
}

TEST(PoolShortage, BlocksReleasedOutOfOrderAreJoinedToo) {
  std::vector<char*> blocks;
  refuse_after_chunk_of(3 * pool_unit, &blocks, {pool_unit, pool_unit, pool_unit});
  pool_free(blocks[2], pool_unit);
  pool_free(blocks[0], pool_unit);
  pool_free(blocks[1], pool_unit);
  EXPECT_EQ(alloc(3 * pool_unit), blocks[0]);
  malloc_unwatch();
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

TEST(PoolShortage, JoinedBlocksGrowAgainWithinThePass) {
  std::vector<char*> blocks;
  refuse_after_chunk_of(6 * pool_unit, &blocks,
                        {pool_unit, pool_unit, 2 * pool_unit, 2 * pool_unit});
  pool_free(blocks[0], pool_unit);
  pool_free(blocks[1], pool_unit);
  pool_free(blocks[2], 2 * pool_unit);
  pool_free(blocks[3], 2 * pool_unit);
  EXPECT_EQ(alloc(6 * pool_unit), blocks[0]);
  malloc_unwatch();
}
