// Circular lists: linking, removal by item, destruction, and refusal by the allocator.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "seams.h"
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
  EXPECT_EQ(items_of(head), items{});
  EXPECT_EQ(head->item, head);
  list_append(&a, head);
  list_append(nullptr, head);
  list_append(&b, head);
  list_prepend(&c, head);
  list_append(&a, head);
  EXPECT_EQ(items_of(head), (items{&c, &a, nullptr, &b, &a}));
  list_remove(&a, head);
  list_remove(nullptr, head);
  // Unknown items, the head as an item, and a non-head given to destroy change nothing.
  list_remove(&head, head);
  list_remove(head, head);
  list_destroy(head->next);
  list_destroy(nullptr);
  EXPECT_EQ(items_of(head), (items{&c, &b, &a}));
  EXPECT_EQ(head->item, head);
  list_destroy(head);
}

TEST(List, RefusedMemoryChangesNothingAndDestroyGivesBackEveryNode) {
  malloc_watch(3 * sizeof(list_node));  // a chunk of exactly three nodes
  list_node* head = list_create();
  list_node* first = list_append(&a, head);
  list_node* second = list_append(&b, head);
  // Nothing below may allocate through the C library: the static C++ runtime's requests pass
  // the seam too.
  malloc_watch(refuse_everything);
  const bool refused = !list_append(&c, head) && !list_prepend(&c, head) && !list_create() &&
                       !list_append(&a, nullptr) && !list_prepend(&a, nullptr);
  list_remove(&a, head);
  const bool reused = list_append(&c, head) == first;  // the removed node comes back first
  const bool linked = head->next == second && second->next == first && first->next == head &&
                      head->prev == first && first->prev == second && second->prev == head;
  list_destroy(head);
  list_node* back[3] = {};
  for (list_node*& node : back) node = static_cast<list_node*>(pool_alloc(sizeof(list_node)));
  list_node* none = static_cast<list_node*>(pool_alloc(sizeof(list_node)));
  malloc_unwatch();
  EXPECT_TRUE(refused && reused && linked);
  EXPECT_EQ(none, nullptr);
  std::sort(std::begin(back), std::end(back));
  list_node* nodes[3] = {head, first, second};
  std::sort(std::begin(nodes), std::end(nodes));
  EXPECT_TRUE(std::equal(std::begin(back), std::end(back), std::begin(nodes)));
  for (list_node* node : back) EXPECT_EQ(node->item, nullptr);
  list_remove(&a, nullptr);
}
