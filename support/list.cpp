// Circular lists on pooled nodes. Every node and head is one pooled block of
// sizeof(list_node); item is cleared before a node goes back to the pool.
#include "support/list.h"

#include "support/pool.h"

namespace {

constexpr std::uint32_t node_size = sizeof(list_node);

list_node* new_node(void* item) {
  list_node* node = static_cast<list_node*>(pool_alloc(node_size));
  if (node != nullptr) node->item = item;
  return node;
}

// Links a new node for item in between previous and previous->next.
list_node* insert_after(void* item, list_node* previous) {
  list_node* node = new_node(item);
  if (node == nullptr) return nullptr;
  node->prev = previous;
  node->next = previous->next;
  previous->next->prev = node;
  previous->next = node;
  return node;
}

void unlink_and_release(list_node* node) {
  node->prev->next = node->next;
  node->next->prev = node->prev;
  node->item = nullptr;
  pool_free(node, node_size);
}

}  // namespace

list_node* list_create() {
  list_node* head = new_node(nullptr);
  if (head == nullptr) return nullptr;
  head->item = head;
  head->next = head;
  head->prev = head;
  return head;
}

// A list whose creation failed is null: adding to it fails like an exhausted pool.
list_node* list_prepend(void* item, list_node* head) {
  return head != nullptr ? insert_after(item, head) : nullptr;
}

list_node* list_append(void* item, list_node* head) {
  return head != nullptr ? insert_after(item, head->prev) : nullptr;
}

void list_remove(void* item, list_node* head) {
  if (head == nullptr) return;
  list_node* node = head->next;
  while (node != head && node->item != item) node = node->next;
  if (node != head) unlink_and_release(node);
}

void list_destroy(list_node* head) {
  if (head == nullptr || head->item != head) return;
  list_node* node = head->next;
  while (node != head) {
    list_node* following = node->next;
    unlink_and_release(node);
    node = following;
  }
  head->item = nullptr;
  pool_free(head, node_size);
}
