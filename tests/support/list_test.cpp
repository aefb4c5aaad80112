// Circular lists: linking, removal by item, destruction, and refusal by the allocator.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "malloc_seam.h"
#include "support/list.h"
#include "support/pool.h"

namespace {

int a, b, c;

// Items front to back; also checks that every prev link mirrors a next link.
std::vector<void*> items_of(list_node* head) {
  std::vector<void*> items;
  for (list_node* node = head->next; node != head; node = node->next) {
    EXPECT_EQ(node->next->prev, node);
    items.push_back(node->item);
  }
  EXPECT_EQ(head->next->prev, head);
  return items;
}

// Leaves exactly node_count nodes' worth of pool and then refuses all further memory.
void allow_nodes(int node_count) { malloc_watch(node_count * sizeof(list_node)); }

}  // namespace

TEST(ListLinks, NewListIsAHeadPointingToItself) {
  list_node* head = list_create();
  ASSERT_NE(head, nullptr);
  EXPECT_EQ(head->next, head);
  EXPECT_EQ(head->prev, head);
  EXPECT_EQ(head->item, head);
  list_destroy(head);
}

TEST(ListLinks, AppendAndPrependPlaceNodesAtEitherEnd) {
  list_node* head = list_create();
  list_node* node_a = list_append(&a, head);
  list_node* node_b = list_append(&b, head);
  list_node* node_c = list_prepend(&c, head);
  EXPECT_EQ(items_of(head), (std::vector<void*>{&c, &a, &b}));
  EXPECT_EQ(head->next, node_c);
  EXPECT_EQ(head->prev, node_b);
  EXPECT_EQ(node_b->next, head);
  EXPECT_EQ(node_a->prev, node_c);
  list_destroy(head);
}

TEST(ListRemove, OnlyTheFirstMatchingNodeGoes) {
  list_node* head = list_create();
  list_append(&a, head);
  list_node* middle = list_append(&b, head);
  list_node* last = list_append(&a, head);
  list_remove(&a, head);
  EXPECT_EQ(head->next, middle);
  EXPECT_EQ(middle->next, last);
  list_remove(&a, head);
  EXPECT_EQ(items_of(head), (std::vector<void*>{&b}));
  list_destroy(head);
}

TEST(ListRemove, UnknownItemAndTheHeadItselfRemoveNothing) {
  list_node* head = list_create();
  list_remove(head, head);
  EXPECT_EQ(head->next, head);
  EXPECT_EQ(head->item, head);
  list_append(&a, head);
  list_append(&b, head);
  list_remove(&c, head);
  list_remove(head, head);
  EXPECT_EQ(items_of(head), (std::vector<void*>{&a, &b}));
  EXPECT_EQ(head->item, head);
  list_destroy(head);
}

TEST(ListRemove, NullIsAnItemLikeAnyOther) {
  list_node* head = list_create();
  list_append(&a, head);
  ASSERT_NE(list_append(nullptr, head), nullptr);
  list_append(&b, head);
  EXPECT_EQ(items_of(head), (std::vector<void*>{&a, nullptr, &b}));
  list_remove(nullptr, head);
  EXPECT_EQ(items_of(head), (std::vector<void*>{&a, &b}));
  list_destroy(head);
}

TEST(ListRemove, ReleasedNodeIsClearedAndReused) {
  list_node* head = list_create();
  list_node* node = list_append(&a, head);
  list_remove(&a, head);
  list_node* reused = static_cast<list_node*>(pool_alloc(sizeof(list_node)));
  EXPECT_EQ(reused, node);
  EXPECT_EQ(reused->item, nullptr);
  pool_free(reused, sizeof(list_node));
  list_destroy(head);
}

TEST(ListDestroy, OrdinaryNodeOrNullIsLeftAlone) {
  list_node* head = list_create();
  list_node* node = list_append(&a, head);
  list_append(&b, head);
  list_destroy(node);
  list_destroy(nullptr);
  EXPECT_EQ(items_of(head), (std::vector<void*>{&a, &b}));
  list_destroy(head);
}

TEST(ListDestroy, ReleasesEveryNodeAndTheHead) {
  allow_nodes(3);
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
  std::sort(released.begin(), released.end());
  std::vector<list_node*> nodes = {head, first, second};
  std::sort(nodes.begin(), nodes.end());
  EXPECT_EQ(released, nodes);
}

TEST(ListRefusal, ExhaustedPoolLeavesTheListAsItWas) {
  allow_nodes(3);
  list_node* head = list_create();
  list_append(&a, head);
  list_append(&b, head);
  malloc_watch(refuse_everything);
  EXPECT_EQ(list_append(&c, head), nullptr);
  EXPECT_EQ(list_prepend(&c, head), nullptr);
  malloc_unwatch();
  EXPECT_EQ(items_of(head), (std::vector<void*>{&a, &b}));
  list_destroy(head);
}

TEST(ListRefusal, NoListWithoutMemoryAndNoNodesOnAMissingList) {
  malloc_watch(refuse_everything);
  list_node* head = list_create();
  malloc_unwatch();
  EXPECT_EQ(head, nullptr);
  EXPECT_EQ(list_append(&a, head), nullptr);
  EXPECT_EQ(list_prepend(&a, head), nullptr);
  list_remove(&a, head);
  list_destroy(head);
}
