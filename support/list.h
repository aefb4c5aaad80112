// Circular doubly-linked lists of untyped records, on pooled nodes. A list is its head: the
// node whose item is itself. Callers walk the nodes directly, from head->next until the
// head comes round again. A list owns its nodes, never the records they carry.
#pragma once

struct list_node {
  list_node* next;
  list_node* prev;
  void* item;
};

// An empty list, or null when memory is exhausted.
list_node* list_create();

// Adds a node carrying item at the front / at the back; null (list unchanged) when memory
// is exhausted or head is null (a list that could not be created).
list_node* list_prepend(void* item, list_node* head);
list_node* list_append(void* item, list_node* head);

// Releases the first node, counted from the front, that carries item. The head itself is
// never removed; a null head does nothing.
void list_remove(void* item, list_node* head);

// Releases every node and then the head. Does nothing unless head is a list head.
void list_destroy(list_node* head);
