// Records and helpers shared by the XML sources (tree, loading, formatting,
// saving). Not for the application: it uses runtime/data/xml.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/core/objects.h"
#include "runtime/data/xml.h"

struct XmlAttribute {
  const char16_t* name;
  const char16_t* value;
};

// One node of a document tree. Records come from the shared node pool and are
// all zero when handed out. Strings are zero-terminated UTF-16; nullptr is
// "none".
struct XmlNode {
  XmlNode* parent;
  XmlNode* first_child;
  XmlNode* previous_sibling;
  XmlNode* next_sibling;
  XmlNode* last_child;  // end of the sibling chain, for appending
  const char16_t* name;
  const char16_t* text;
  XmlAttribute* attributes;
  int32_t attribute_count;
  int32_t attribute_cursor;
  int32_t id_attribute;
  int32_t text_offset;
  int64_t document;
  int16_t kind;
  bool text_owned;  // text was allocated on its own and belongs to the node
};

// A block of the document's string storage; strings are carved from it and
// never freed one by one.
struct XmlStringBlock {
  char* data;
  size_t size;
  size_t used;
};

struct XmlDocument {
  XmlNode* document_node;
  XmlNode* main_element;
  int encoding;
  int standalone;
  int line_end_style;
  int status;
  int error_line;
  int error_column;
  String error_message;
  std::vector<XmlStringBlock> blocks;
  std::vector<void*> loose;  // requests allocated on their own
  int64_t handle;

  // Frees the tree and the storage when the record goes without having been
  // released (the table itself is destroyed at exit).
  ~XmlDocument();
};

// The document table (growth step 8).
ObjectTable<XmlDocument>& xml_document_table();
XmlDocument* xml_find_document(int64_t handle);
// Makes a document under number (or AnyNumber) with its document node;
// nullptr when it cannot be made. *result receives the value to return to
// the caller (the handle, or 1 for a fixed number).
XmlDocument* xml_new_document(int number, int* result);

// A zeroed node from the pool, or nullptr when memory is exhausted.
XmlNode* xml_node_new(XmlDocument* document, int kind);
// Appends child as the parent's last child.
void xml_node_append(XmlNode* parent, XmlNode* child);

// Storage from the document's string blocks (8-byte aligned).
void* xml_store(XmlDocument* document, size_t bytes);
// A zero-terminated copy of units in the document's storage; nullptr when
// memory is exhausted.
const char16_t* xml_store_string(XmlDocument* document, const char16_t* units, size_t length);
// Reserves the first block of a loaded document.
void xml_reserve_first_block(XmlDocument* document, size_t bytes);

// Length of a zero-terminated string (0 for nullptr).
size_t xml_units(const char16_t* s);
// Replaces the node's text by a fresh copy of text (owned by the node).
// Returns false when memory is exhausted (the old text stays).
bool xml_replace_text(XmlNode* node, const char16_t* text, size_t length);
