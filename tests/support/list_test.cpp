// Circular lists: linking, removal by item, destruction, and refusal by the allocator.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "malloc_seam.h"
#include "support/list.h"
#include "support/pool.h"

namespace {

int a, b, c;
using items = std::vector<void*>;

// Items front to back; also checks that every prev link mirrors a next link.
items items_of(list_node* head) {
  items found;
  for (list_node* node = head->next; node != head; node = node->next) {
    EXPECT_EQ(node->next->prev, node);
    found.push_back(node->item);
  }
  EXPECT_EQ(head->next->prev, head);
  return found;
}

}  // namespace

TEST(List, KeepsOrderAndRemovesOnlyTheFirstMatch) {
  list_node* head = list_create();
  ASSERT_NE(head, nullptr);
  EXPECT_EQ(head->item, head);
  EXPECT_EQ(items_of(head), items{});
  list_append(&a, head);
  list_append(nullptr, head);
  list_append(&b, head);
  list_prepend(&c, head);
  list_append(&a, head);
  EXPECT_EQ(items_of(head), (items{&c, &a, nullptr, &b, &a}));
  list_remove(&a, head);
  list_remove(nullptr, head);
  EXPECT_EQ(items_of(head), (items{&c, &b, &a}));
  // Unknown items, the head as an item, and a non-head given to destroy change nothing.
  int other = 0;
  list_remove(&other, head);
  list_remove(head, head);
  list_destroy(head->next);
  list_destroy(nullptr);
  EXPECT_EQ(items_of(head), (items{&c, &b, &a}));
  EXPECT_EQ(head->item, head);
  list_destroy(head);
}

TEST(List, DestroyReleasesEveryNodeAndTheHead) {
  malloc_watch(3 * sizeof(list_node));
  list_node* head = list_create();
  list_node* first = list_append(&a, head);
  list_node* second = list_append(&b, head);
  std::vector<list_node*> released;
  released.reserve(3);
  malloc_watch(refuse_everything);
  list_destroy(head);
  for (int i = 0; i < 3; ++i) {
    released.push_back(static_cast<list_node*>(pool_alloc(sizeof(list_node))));
    ASSERT_NE(released.back(), nullptr);
    EXPECT_EQ(released.back()->item, nullptr);
  }
  EXPECT_EQ(pool_alloc(sizeof(list_node)), nullptr);
  malloc_unwatch();
  std::vector<list_node*> nodes = {head, first, second};
  std::sort(released.begin(), released.end());
  std::sort(nodes.begin(), nodes.end());
  EXPECT_EQ(released, nodes);
}

TEST(List, RefusedMemoryLeavesTheListAsItWas) {
  malloc_watch(3 * sizeof(list_node));
  list_node* head = list_create();
  list_append(&a, head);
  list_append(&b, head);
  // Where the C++ runtime is linked in statically its allocations pass the seam too, so
  // the list is only read once memory is granted again.
  malloc_watch(refuse_everything);
  const bool refused =
      list_append(&c, head) == nullptr && list_prepend(&c, head) == nullptr && list_create() == nullptr;
  // A removed node goes back to the pool for the next one.
  list_remove(&a, head);
  const bool reused = list_append(&c, head) != nullptr;
  malloc_unwatch();
  EXPECT_TRUE(refused);
  EXPECT_TRUE(reused);
  EXPECT_EQ(items_of(head), (items{&b, &c}));
  list_destroy(head);
  // A missing list takes no nodes.
  EXPECT_EQ(list_append(&a, nullptr), nullptr);
  EXPECT_EQ(list_prepend(&a, nullptr), nullptr);
  list_remove(&a, nullptr);
}
