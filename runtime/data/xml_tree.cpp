// XML documents: the document table, the node pool, the per-document string
// storage, the tree accessors and building documents in memory.
#include <cstdlib>
#include <cstring>
#include <new>

#include "runtime/data/xml_internal.h"

namespace {

// ---------------------------------------------------------------- node pool

// Nodes are fixed-size records handed out from blocks of NodesPerBlock; freed
// nodes go onto a free list and are reused by every document.
constexpr size_t NodesPerBlock = 1024;

struct NodePool {
  std::vector<XmlNode*> blocks;
  XmlNode* free_list = nullptr;  // chained through next_sibling
};

// Never destroyed: documents may still give nodes back while the program's
// static objects are being destroyed.
NodePool& Pool = *new NodePool;

void node_release(XmlNode* node) {
  if (node->text_owned) std::free(const_cast<char16_t*>(node->text));
  node->next_sibling = Pool.free_list;
  Pool.free_list = node;
}

// Returns every node of the tree under root (root included) to the pool,
// without recursion: the walk descends through first children and climbs
// back through parents, releasing each node after its subtree.
void tree_release(XmlNode* root) {
  if (!root) return;
  XmlNode* node = root;
  while (true) {
    while (node->first_child) node = node->first_child;
    // node has no children left: release it and continue with its sibling or
    // climb to its parent, which loses this child.
    XmlNode* parent = node->parent;
    XmlNode* next = node->next_sibling;
    bool last = node == root;
    node_release(node);
    if (last) return;
    if (next) {
      next->previous_sibling = nullptr;
      parent->first_child = next;
      node = next;
    } else {
      parent->first_child = nullptr;
      node = parent;
    }
  }
}

void document_release(XmlDocument& document, int) {
  tree_release(document.document_node);
  document.document_node = nullptr;
  document.main_element = nullptr;
  for (auto& block : document.blocks) std::free(block.data);
  document.blocks.clear();
  for (void* p : document.loose) std::free(p);
  document.loose.clear();
}

constexpr size_t BlockSize = 512 * 1024;
constexpr size_t LargeRequest = 1024;

}  // namespace

XmlDocument::~XmlDocument() { document_release(*this, 0); }

ObjectTable<XmlDocument>& xml_document_table() {
  static ObjectTable<XmlDocument> table(8, document_release);
  return table;
}

XmlDocument* xml_find_document(int64_t handle) {
  if (handle < 0 || handle > INT32_MAX) return nullptr;
  return xml_document_table().find(static_cast<int>(handle));
}

XmlNode* xml_node_new(XmlDocument* document, int kind) {
  if (!Pool.free_list) {
    auto* block = static_cast<XmlNode*>(std::malloc(sizeof(XmlNode) * NodesPerBlock));
    if (!block) return nullptr;
    try {
      Pool.blocks.push_back(block);
    } catch (const std::bad_alloc&) {
      std::free(block);
      return nullptr;
    }
    for (size_t i = NodesPerBlock; i-- > 0;) {
      block[i].next_sibling = Pool.free_list;
      Pool.free_list = &block[i];
    }
  }
  XmlNode* node = Pool.free_list;
  Pool.free_list = node->next_sibling;
  std::memset(static_cast<void*>(node), 0, sizeof(XmlNode));
  node->kind = static_cast<int16_t>(kind);
  node->attribute_cursor = -1;
  node->id_attribute = -1;
  node->document = document ? document->handle : 0;
  return node;
}

void xml_node_append(XmlNode* parent, XmlNode* child) {
  child->parent = parent;
  child->previous_sibling = parent->last_child;
  child->next_sibling = nullptr;
  if (parent->last_child)
    parent->last_child->next_sibling = child;
  else
    parent->first_child = child;
  parent->last_child = child;
}

XmlDocument* xml_new_document(int number, int* result) {
  int out = 0;
  XmlDocument* document = xml_document_table().create(number, &out);
  if (!document) return nullptr;
  document->handle = out;
  document->encoding = XmlEncodingUtf8;
  document->standalone = -1;
  document->line_end_style = LineEndLf;
  document->document_node = xml_node_new(document, DocumentNode);
  if (!document->document_node) {
    xml_document_table().remove(out);
    return nullptr;
  }
  if (result) *result = number == AnyNumber ? out : 1;
  return document;
}

// ------------------------------------------------------------ string blocks

void xml_reserve_first_block(XmlDocument* document, size_t bytes) {
  char* data = static_cast<char*>(std::malloc(bytes));
  if (!data) return;  // strings then come from the further blocks
  try {
    document->blocks.push_back({data, bytes, 0});
  } catch (const std::bad_alloc&) {
    std::free(data);
  }
}

void* xml_store(XmlDocument* document, size_t bytes) {
  bytes = (bytes + 7) & ~size_t(7);
  if (bytes <= LargeRequest) {
    if (!document->blocks.empty()) {
      XmlStringBlock& block = document->blocks.back();
      if (block.size - block.used >= bytes) {
        void* p = block.data + block.used;
        block.used += bytes;
        return p;
      }
    }
    char* data = static_cast<char*>(std::malloc(BlockSize));
    if (data) {
      try {
        document->blocks.push_back({data, BlockSize, bytes});
        return data;
      } catch (const std::bad_alloc&) {
        std::free(data);
      }
    }
  }
  // A large request, or no block to be had: allocated on its own and freed
  // with the document.
  void* p = std::malloc(bytes);
  if (!p) return nullptr;
  try {
    document->loose.push_back(p);
  } catch (const std::bad_alloc&) {
    std::free(p);
    return nullptr;
  }
  return p;
}

const char16_t* xml_store_string(XmlDocument* document, const char16_t* units, size_t length) {
  if (length > (SIZE_MAX / 2) - 1) return nullptr;
  auto* p = static_cast<char16_t*>(xml_store(document, (length + 1) * sizeof(char16_t)));
  if (!p) return nullptr;
  if (length) std::memcpy(p, units, length * sizeof(char16_t));
  p[length] = 0;
  return p;
}

size_t xml_units(const char16_t* s) {
  if (!s) return 0;
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

bool xml_replace_text(XmlNode* node, const char16_t* text, size_t length) {
  auto* p = static_cast<char16_t*>(std::malloc((length + 1) * sizeof(char16_t)));
  if (!p) return false;
  if (length) std::memcpy(p, text, length * sizeof(char16_t));
  p[length] = 0;
  if (node->text_owned) std::free(const_cast<char16_t*>(node->text));
  node->text = p;
  node->text_owned = true;
  return true;
}

// ------------------------------------------------------------------ public

void xml_free(int document) {
  if (document == -1) {
    xml_document_table().remove_all();
    return;
  }
  xml_document_table().remove(document);
}

void xml_release_all() {
  xml_document_table().remove_all();
  for (XmlNode* block : Pool.blocks) std::free(block);
  Pool.blocks.clear();
  Pool.blocks.shrink_to_fit();
  Pool.free_list = nullptr;
}

int xml_status(int document) {
  XmlDocument* d = xml_document_table().find(document);
  return d ? d->status : 0;
}

String xml_error_message(int document) {
  XmlDocument* d = xml_document_table().find(document);
  return d ? d->error_message : String();
}

int xml_error_line(int document) {
  XmlDocument* d = xml_document_table().find(document);
  return d ? d->error_line : 0;
}

int xml_error_column(int document) {
  XmlDocument* d = xml_document_table().find(document);
  return d ? d->error_column : 0;
}

int xml_encoding(int document) {
  XmlDocument* d = xml_document_table().find(document);
  return d ? d->encoding : 0;
}

int xml_standalone(int document) {
  XmlDocument* d = xml_document_table().find(document);
  return d ? d->standalone : 0;
}

int xml_line_end_style(int document) {
  XmlDocument* d = xml_document_table().find(document);
  return d ? d->line_end_style : 0;
}

XmlNode* xml_main_element(int document) {
  XmlDocument* d = xml_document_table().find(document);
  return d ? d->main_element : nullptr;
}

XmlNode* xml_root_node(int document) {
  XmlDocument* d = xml_document_table().find(document);
  return d ? d->document_node : nullptr;
}

int xml_node_kind(XmlNode* node) { return node ? node->kind : 0; }
XmlNode* xml_first_child(XmlNode* node) { return node ? node->first_child : nullptr; }
XmlNode* xml_next_sibling(XmlNode* node) { return node ? node->next_sibling : nullptr; }
XmlNode* xml_parent_node(XmlNode* node) { return node ? node->parent : nullptr; }

String xml_node_name(XmlNode* node) {
  return node && node->name ? String(node->name) : String();
}

String xml_node_text(XmlNode* node) {
  return node && node->text ? String(node->text) : String();
}

int xml_node_text_offset(XmlNode* node) { return node ? node->text_offset : 0; }

int xml_attributes_begin(XmlNode* node) {
  if (!node) return 0;
  node->attribute_cursor = -1;
  return node->kind == ElementNode ? 1 : 0;
}

int xml_attributes_next(XmlNode* node) {
  if (!node) return 0;
  if (node->attribute_cursor < node->attribute_count) ++node->attribute_cursor;
  return node->attribute_cursor < node->attribute_count ? 1 : 0;
}

static const XmlAttribute* current_attribute(XmlNode* node) {
  if (!node || node->attribute_cursor < 0 || node->attribute_cursor >= node->attribute_count)
    return nullptr;
  return &node->attributes[node->attribute_cursor];
}

String xml_attribute_name(XmlNode* node) {
  const XmlAttribute* a = current_attribute(node);
  return a && a->name ? String(a->name) : String();
}

String xml_attribute_value(XmlNode* node) {
  const XmlAttribute* a = current_attribute(node);
  return a && a->value ? String(a->value) : String();
}

String xml_node_id(XmlNode* node) {
  if (!node || node->id_attribute < 0 || node->id_attribute >= node->attribute_count) return String();
  const char16_t* v = node->attributes[node->id_attribute].value;
  return v ? String(v) : String();
}

int xml_create(int number) {
  int result = 0;
  XmlDocument* document = xml_new_document(number, &result);
  return document ? result : 0;
}

void xml_set_node_text(XmlNode* node, const String& text) {
  if (!node) return;
  // Stop at an embedded zero unit: texts are zero-terminated.
  size_t length = 0;
  while (length < text.size() && text[length]) ++length;
  xml_replace_text(node, text.data(), length);
}

XmlNode* xml_add_element(XmlNode* parent, const String& name) {
  if (!parent) return nullptr;
  XmlDocument* document = xml_find_document(parent->document);
  if (!document) return nullptr;
  bool under_document = parent->kind == DocumentNode;
  if (under_document && document->main_element) return nullptr;
  XmlNode* node = xml_node_new(document, ElementNode);
  if (!node) return nullptr;
  size_t length = 0;
  while (length < name.size() && name[length]) ++length;
  node->name = xml_store_string(document, name.data(), length);
  if (!node->name) {
    node_release(node);
    return nullptr;
  }
  // The new element follows everything the parent holds: its offset takes up
  // the parent's text that lies after the last child.
  int64_t used = 0;
  for (XmlNode* c = parent->first_child; c; c = c->next_sibling) used += c->text_offset;
  int64_t rest = static_cast<int64_t>(xml_units(parent->text)) - used;
  node->text_offset = rest > 0 && rest <= INT32_MAX ? static_cast<int32_t>(rest) : 0;
  xml_node_append(parent, node);
  if (under_document) document->main_element = node;
  return node;
}
