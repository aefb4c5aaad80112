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

TEST(list, keeps_order_removes_only_the_first_match_and_gives_every_node_back) {
  malloc_watch(4 * sizeof(list_node));  // a chunk of exactly four nodes
  list_node* head = list_create();
  ASSERT_NE(head, nullptr);
  EXPECT_EQ(items_of(head), items{});
  EXPECT_EQ(head->item, head);
  list_node* first = list_append(&a, head);
  list_append(nullptr, head);
  list_prepend(&c, head);
  EXPECT_EQ(items_of(head), (items{&c, &a, nullptr}));
  // The static C++ runtime's requests pass the seam too: from here on nothing may allocate
  // through the C library until the watch ends.
  malloc_watch(refuse_everything);
  const bool refused = !list_append(&b, head) && !list_prepend(&b, head) && !list_create() &&
                       !list_append(&a, nullptr) && !list_prepend(&a, nullptr);
  list_remove(&c, head);                      // the removed node comes back first, cleared
  list_node* reused = list_append(&a, head);  // now a, null, a
  list_remove(&a, head);
  list_remove(&b, head);  // unknown items, the head as an item, and a non-head given to destroy
  list_remove(head, head);
  list_destroy(head->next);
  list_destroy(nullptr);
  list_remove(&a, nullptr);
  const bool kept = head->item == head && head->next->item == nullptr && head->next->next == reused &&
                    reused->next == head && head->prev == reused && reused->prev->prev == head;
  list_destroy(head);
  list_node* back[4] = {};
  for (list_node*& node : back) node = static_cast<list_node*>(pool_alloc(sizeof(list_node)));
  list_node* none = static_cast<list_node*>(pool_alloc(sizeof(list_node)));
  malloc_unwatch();
  EXPECT_TRUE(refused && kept && reused != nullptr && none == nullptr);
  EXPECT_NE(std::find(std::begin(back), std::end(back), head), std::end(back));
  EXPECT_NE(std::find(std::begin(back), std::end(back), first), std::end(back));
  for (list_node* node : back) EXPECT_TRUE(node != nullptr && node->item == nullptr);
}
