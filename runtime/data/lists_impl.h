// Implementation of the list operations declared in lists.h (included from
// there; not a header of its own).
//
// Elements are doubly linked and hold their record by value. The list keeps its
// current element and, while it is known, the 0-based index of that element;
// operations that lose the index mark it unknown and list_index counts it
// again by walking back to the front.
#pragma once

#include <cstdint>

template <class Record>
struct ListElement {
  ListElement* previous = nullptr;
  ListElement* next = nullptr;
  Record record{};
};

template <class Record>
struct List {
  using Element = ListElement<Record>;
  Element* first = nullptr;
  Element* last = nullptr;
  Element* current = nullptr;
  int64_t count = 0;
  // Index of current; -1 while unknown (or while there is no current element).
  int64_t current_index = -1;
};

template <class Record>
List<Record>* list_new() {
  return new List<Record>();
}

template <class Record>
Record* list_add(List<Record>* list) {
  if (!list) return nullptr;
  auto* element = new ListElement<Record>();
  auto* after = list->current;
  if (after) {
    element->previous = after;
    element->next = after->next;
    if (after->next)
      after->next->previous = element;
    else
      list->last = element;
    after->next = element;
    if (list->current_index >= 0) list->current_index += 1;
  } else {
    element->next = list->first;
    if (list->first)
      list->first->previous = element;
    else
      list->last = element;
    list->first = element;
    list->current_index = 0;
  }
  list->current = element;
  list->count += 1;
  return &element->record;
}

template <class Record>
void list_clear(List<Record>* list) {
  if (!list) return;
  auto* element = list->first;
  while (element) {
    auto* next = element->next;
    delete element;
    element = next;
  }
  list->first = list->last = list->current = nullptr;
  list->count = 0;
  list->current_index = -1;
}

template <class Record>
Record* list_delete(List<Record>* list) {
  if (!list || !list->current) return nullptr;
  auto* element = list->current;
  if (element->previous)
    element->previous->next = element->next;
  else
    list->first = element->next;
  if (element->next)
    element->next->previous = element->previous;
  else
    list->last = element->previous;
  list->current = element->previous;
  if (!list->current)
    list->current_index = -1;
  else if (list->current_index >= 0)
    list->current_index -= 1;
  list->count -= 1;
  delete element;
  return list->current ? &list->current->record : nullptr;
}

template <class Record>
void list_reset(List<Record>* list) {
  if (!list) return;
  list->current = nullptr;
  list->current_index = -1;
}

template <class Record>
Record* list_next(List<Record>* list) {
  if (!list) return nullptr;
  if (!list->current) {
    if (!list->first) return nullptr;
    list->current = list->first;
    list->current_index = 0;
    return &list->current->record;
  }
  if (!list->current->next) return nullptr;
  list->current = list->current->next;
  if (list->current_index >= 0) list->current_index += 1;
  return &list->current->record;
}

template <class Record>
Record* list_previous(List<Record>* list) {
  if (!list || !list->current || !list->current->previous) return nullptr;
  list->current = list->current->previous;
  if (list->current_index >= 0) list->current_index -= 1;
  return &list->current->record;
}

template <class Record>
Record* list_last(List<Record>* list) {
  if (!list || !list->last) return nullptr;
  list->current = list->last;
  list->current_index = list->count - 1;
  return &list->current->record;
}

template <class Record>
int64_t list_index(List<Record>* list) {
  if (!list || !list->current) return -1;
  if (list->current_index < 0) {
    int64_t index = 0;
    for (auto* element = list->current->previous; element; element = element->previous) ++index;
    list->current_index = index;
  }
  return list->current_index;
}

template <class Record>
Record* list_select(List<Record>* list, int64_t position) {
  if (!list) return nullptr;
  if (position < 0 || position >= list->count) {
    list_reset(list);
    return nullptr;
  }
  // Start from whichever known element lies nearest: the first, the last, or
  // the current one when its index is known.
  auto* element = list->first;
  int64_t index = 0;
  int64_t distance = position;
  if (list->count - 1 - position < distance) {
    element = list->last;
    index = list->count - 1;
    distance = index - position;
  }
  if (list->current && list->current_index >= 0) {
    int64_t from_current = position - list->current_index;
    if (from_current < 0) from_current = -from_current;
    if (from_current < distance) {
      element = list->current;
      index = list->current_index;
    }
  }
  while (index < position) {
    element = element->next;
    ++index;
  }
  while (index > position) {
    element = element->previous;
    --index;
  }
  list->current = element;
  list->current_index = position;
  return &element->record;
}

template <class Record>
void list_set_current(List<Record>* list, Record* record) {
  if (!list || !record) return;
  if (list->current && &list->current->record == record) return;
  // The element is looked up in the list, so a record that does not belong to
  // it changes nothing; the search counts the index on the way.
  int64_t index = 0;
  for (auto* element = list->first; element; element = element->next, ++index) {
    if (&element->record == record) {
      list->current = element;
      list->current_index = index;
      return;
    }
  }
}

template <class Record>
Record* list_current(List<Record>* list) {
  if (!list || !list->current) return nullptr;
  return &list->current->record;
}

template <class Record>
int64_t list_size(List<Record>* list) {
  return list ? list->count : 0;
}

template <class Record>
void list_free(List<Record>* list) {
  if (!list) return;
  list_clear(list);
  delete list;
}
