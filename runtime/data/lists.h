// Ordered lists of fixed-size records with a current element.
//
// Every collection of the application is such a list. The operations move the
// current element exactly as documented here, and the application relies on
// these movements (append = list_last then list_add; walks remember the current
// record and restore it with list_set_current or list_reset). Having no current
// element is a state of its own: from it list_next goes to the first element
// and list_add inserts at the front.
//
// Records are value-initialised (zero-filled for plain records, empty strings
// for string members) and stay at a fixed address while they are in the list.
#pragma once

#include <cstdint>

template <class Record> struct List;

// A new empty list without a current element.
template <class Record> List<Record>* list_new();
// Inserts a new value-initialised element after the current one (at the front
// when there is none); it becomes current. Returns its record.
template <class Record> Record* list_add(List<Record>* list);
// Releases all elements; no current element afterwards.
template <class Record> void list_clear(List<Record>* list);
// Removes the current element; the one before it becomes current (none when the
// removed one was first). Returns the new current record or nullptr.
template <class Record> Record* list_delete(List<Record>* list);
// No current element afterwards.
template <class Record> void list_reset(List<Record>* list);
// From no current element: the first; otherwise the following one. At the last
// element nothing changes and nullptr is returned.
template <class Record> Record* list_next(List<Record>* list);
// The preceding element; at the first nothing changes and nullptr is returned.
template <class Record> Record* list_previous(List<Record>* list);
// The last element becomes current; nullptr for an empty list.
template <class Record> Record* list_last(List<Record>* list);
// For 0 <= position < size the element there becomes current; otherwise there
// is no current element afterwards and nullptr is returned.
template <class Record> Record* list_select(List<Record>* list, int64_t position);
// Makes the element holding record (taken earlier from this list) current.
template <class Record> void list_set_current(List<Record>* list, Record* record);
// The current record, or nullptr when there is none.
template <class Record> Record* list_current(List<Record>* list);
// 0-based position of the current element, -1 when there is none.
template <class Record> int64_t list_index(List<Record>* list);
// Number of elements.
template <class Record> int64_t list_size(List<Record>* list);
// Clears and releases the list.
template <class Record> void list_free(List<Record>* list);

#include "runtime/data/lists_impl.h"
