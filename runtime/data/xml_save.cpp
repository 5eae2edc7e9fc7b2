// Writing documents to files. The document is written through a replacing
// file (files.h), which takes the destination's place only once it has been
// written and flushed completely: a failed save (disk full, file size limit,
// write error) never destroys the file that was there before.
#include <cstring>
#include <new>

#include "runtime/data/files.h"
#include "runtime/data/xml_internal.h"

namespace {

enum class Escape { None, Text, Attribute };

struct Output {
  int file;
  int encoding;
  bool failed;
  size_t used;
  unsigned char buffer[4096];
};

bool write_all(int file, const unsigned char* bytes, size_t length) {
  return file_write_data(file, bytes, static_cast<int64_t>(length)) == static_cast<int64_t>(length);
}

void flush(Output& out) {
  if (out.used && !out.failed && !write_all(out.file, out.buffer, out.used)) out.failed = true;
  out.used = 0;
}

void put_bytes(Output& out, const unsigned char* bytes, size_t length) {
  if (out.failed) return;
  if (out.used + length > sizeof out.buffer) flush(out);
  if (out.failed) return;
  if (length > sizeof out.buffer) {
    if (!write_all(out.file, bytes, length)) out.failed = true;
    return;
  }
  std::memcpy(out.buffer + out.used, bytes, length);
  out.used += length;
}

// One character in the document's encoding. UTF-8 writes a surrogate pair as
// the single 4-byte sequence of its character (a lone surrogate, which has
// no UTF-8 form, as U+FFFD), so that the file reads back.
void put_code(Output& out, uint32_t c) {
  unsigned char b[4];
  if (out.encoding == XmlEncodingUtf16) {
    b[0] = static_cast<unsigned char>(c & 0xFF);
    b[1] = static_cast<unsigned char>(c >> 8);
    put_bytes(out, b, 2);
  } else if (out.encoding == XmlEncodingUtf8) {
    if (c < 0x80) {
      b[0] = static_cast<unsigned char>(c);
      put_bytes(out, b, 1);
    } else if (c < 0x800) {
      b[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
      b[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
      put_bytes(out, b, 2);
    } else if (c < 0x10000) {
      b[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
      b[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
      b[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
      put_bytes(out, b, 3);
    } else {
      b[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
      b[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
      b[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
      b[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
      put_bytes(out, b, 4);
    }
  } else {
    b[0] = static_cast<unsigned char>(c > 255 ? ' ' : c);
    put_bytes(out, b, 1);
  }
}

void put_ascii(Output& out, const char* s) {
  for (; *s; ++s) put_code(out, static_cast<unsigned char>(*s));
}

void put_units(Output& out, const char16_t* s, size_t length, Escape escape) {
  for (size_t i = 0; i < length; ++i) {
    char16_t c = s[i];
    if (escape != Escape::None) {
      const char* entity = nullptr;
      switch (c) {
        case u'<': entity = "&lt;"; break;
        case u'>': entity = "&gt;"; break;
        case u'&': entity = "&amp;"; break;
        case u'\'': if (escape == Escape::Attribute) entity = "&apos;"; break;
        case u'"': if (escape == Escape::Attribute) entity = "&quot;"; break;
        case u'\n': if (escape == Escape::Attribute) entity = "&#10;"; break;
        case u'\r': if (escape == Escape::Attribute) entity = "&#13;"; break;
        // A raw tab in a value would read back as a blank.
        case u'\t': if (escape == Escape::Attribute) entity = "&#9;"; break;
        default: break;
      }
      if (entity) {
        put_ascii(out, entity);
        continue;
      }
    }
    if (out.encoding == XmlEncodingUtf8 && c >= 0xD800 && c <= 0xDFFF) {
      if (c <= 0xDBFF && i + 1 < length && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
        put_code(out, 0x10000 + ((uint32_t(c) - 0xD800) << 10) + (uint32_t(s[i + 1]) - 0xDC00));
        ++i;
      } else {
        put_code(out, 0xFFFD);
      }
      continue;
    }
    put_code(out, c);
  }
}

void put_string(Output& out, const char16_t* s, Escape escape) {
  if (s) put_units(out, s, xml_units(s), escape);
}

Escape text_escape(const XmlNode* node) {
  return node->kind == DocumentNode || node->kind == ElementNode ? Escape::Text : Escape::None;
}

// Writes the start of a node. Returns false when the node is complete
// already (an empty element), true when its text and children follow.
bool put_opening(Output& out, const XmlNode* node) {
  switch (node->kind) {
    case ElementNode:
      put_ascii(out, "<");
      put_string(out, node->name, Escape::None);
      for (int32_t i = 0; i < node->attribute_count; ++i) {
        put_ascii(out, " ");
        put_string(out, node->attributes[i].name, Escape::None);
        put_ascii(out, "=\"");
        put_string(out, node->attributes[i].value, Escape::Attribute);
        put_ascii(out, "\"");
      }
      if (!node->first_child && xml_units(node->text) == 0) {
        put_ascii(out, "/>");
        return false;
      }
      put_ascii(out, ">");
      return true;
    case CommentNode: put_ascii(out, "<!--"); return true;
    case CDataNode: put_ascii(out, "<![CDATA["); return true;
    case ProcessingInstructionNode:
      put_ascii(out, "<?");
      put_string(out, node->name, Escape::None);
      put_ascii(out, " ");
      return true;
    default: return true;  // the document node, a declaration: only its text
  }
}

void put_closing(Output& out, const XmlNode* node) {
  switch (node->kind) {
    case ElementNode:
      put_ascii(out, "</");
      put_string(out, node->name, Escape::None);
      put_ascii(out, ">");
      break;
    case CommentNode: put_ascii(out, "-->"); break;
    case CDataNode: put_ascii(out, "]]>"); break;
    case ProcessingInstructionNode: put_ascii(out, "?>"); break;
    default: break;
  }
}

struct SaveFrame {
  const XmlNode* node;
  const XmlNode* next_child;
  size_t length;
  size_t pos;
};

// Every node's text with its children inserted at their offsets, in document
// order, without recursion.
void put_tree(Output& out, const XmlNode* root) {
  std::vector<SaveFrame> stack;
  stack.push_back({root, root->first_child, xml_units(root->text), 0});
  while (!stack.empty() && !out.failed) {
    SaveFrame& frame = stack.back();
    const XmlNode* node = frame.node;
    if (const XmlNode* child = frame.next_child) {
      frame.next_child = child->next_sibling;
      size_t offset = child->text_offset > 0 ? static_cast<size_t>(child->text_offset) : 0;
      size_t end = frame.pos + std::min(offset, frame.length - frame.pos);
      put_units(out, node->text + frame.pos, end - frame.pos, text_escape(node));
      frame.pos = end;
      if (put_opening(out, child))
        stack.push_back({child, child->first_child, xml_units(child->text), 0});
      continue;
    }
    if (frame.pos < frame.length)
      put_units(out, node->text + frame.pos, frame.length - frame.pos, text_escape(node));
    put_closing(out, node);
    stack.pop_back();
  }
}

}  // namespace

int xml_save(int document_number, const String& path, int flags) {
  XmlDocument* document = xml_document_table().find(document_number);
  if (!document || !document->document_node || path.empty()) return 0;
  int file = file_create_replacing(AnyNumber, path);
  if (!file) return 0;
  auto* out = new (std::nothrow) Output{file, document->encoding, false, 0, {}};
  if (!out) {
    file_close(file);
    return 0;
  }
  try {
    if (flags & SaveWithBom) {
      if (out->encoding == XmlEncodingUtf16) {
        static const unsigned char bom[] = {0xFF, 0xFE};
        put_bytes(*out, bom, 2);
      } else if (out->encoding == XmlEncodingUtf8) {
        static const unsigned char bom[] = {0xEF, 0xBB, 0xBF};
        put_bytes(*out, bom, 3);
      }
    }
    if (!(flags & SaveNoDeclaration)) {
      put_ascii(*out, "<?xml version=\"1.0\" encoding=\"");
      put_ascii(*out, document->encoding == XmlEncodingUtf16    ? "UTF-16"
                      : document->encoding == XmlEncodingLatin1 ? "ISO-8859-1"
                                                                : "UTF-8");
      put_ascii(*out, "\"");
      if (document->standalone == 0) put_ascii(*out, " standalone=\"no\"");
      if (document->standalone == 1) put_ascii(*out, " standalone=\"yes\"");
      put_ascii(*out, "?>");
    }
    put_tree(*out, document->document_node);
  } catch (const std::bad_alloc&) {
    out->failed = true;
  }
  flush(*out);
  bool ok = !out->failed;
  delete out;
  if (!ok) {
    file_close(file);
    return 0;
  }
  return file_commit(file);
}
