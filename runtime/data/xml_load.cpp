// Loading XML files over expat (16-bit output) into document trees.
#include <expat.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <new>

#include "runtime/data/xml_internal.h"

static_assert(sizeof(XML_Char) == 2, "expat must deliver 16-bit characters");

namespace {

constexpr size_t ChunkSize = 16384;
constexpr int64_t MaxTextUnits = INT32_MAX;

// One open node of the parse: its text grows here until the node is closed.
struct OpenNode {
  XmlNode* node;         // nullptr when the node could not be made
  XmlNode* last_closed;  // the child closed last under it
  int64_t count;         // text characters added since its last child
  bool has_text;
  std::u16string text;
};

struct ParseState {
  XmlDocument* document;
  XML_Parser parser;
  std::vector<OpenNode> open;  // open[0] is the document node
};

const char16_t* u16(const XML_Char* s) { return reinterpret_cast<const char16_t*>(s); }

size_t length_of(const XML_Char* s) {
  size_t n = 0;
  if (s)
    while (s[n]) ++n;
  return n;
}

// Appends units to the open node's text, turning each LF into the document's
// line-end style when convert is set.
void append_text(ParseState* state, OpenNode& open, const char16_t* units, size_t length,
                 bool convert) {
  if (!open.node) return;
  try {
    size_t before = open.text.size();
    if (convert) {
      int style = state->document->line_end_style;
      for (size_t i = 0; i < length; ++i) {
        char16_t c = units[i];
        if (c == u'\n' && style == LineEndCrLf) {
          open.text += u"\r\n";
        } else if (c == u'\n' && style == LineEndCr) {
          open.text += u'\r';
        } else {
          open.text += c;
        }
      }
    } else {
      open.text.append(units, length);
    }
    if (static_cast<int64_t>(open.text.size()) > MaxTextUnits) {
      open.text.resize(before);  // too long to be placed by offsets: left out
      return;
    }
    open.count += static_cast<int64_t>(open.text.size() - before);
    open.has_text = true;
  } catch (const std::bad_alloc&) {
  }
}

// Moves the open node's text into the document's string blocks.
void store_text(ParseState* state, OpenNode& open) {
  if (open.node && open.has_text)
    open.node->text = xml_store_string(state->document, open.text.data(), open.text.size());
  open.text = std::u16string();
}

// Makes a node under the current node at the current text position. The node
// is nullptr when it cannot be made (or the current node is missing).
XmlNode* add_child(ParseState* state, int kind) {
  OpenNode& current = state->open.back();
  if (!current.node) return nullptr;
  XmlNode* node = xml_node_new(state->document, kind);
  if (!node) return nullptr;
  node->text_offset = static_cast<int32_t>(std::min<int64_t>(current.count, MaxTextUnits));
  xml_node_append(current.node, node);
  return node;
}

// A node that is opened and closed at once (comment, processing instruction).
void close_at_once(ParseState* state, XmlNode* node) {
  if (!node) return;
  OpenNode& current = state->open.back();
  current.last_closed = node;
  current.count = 0;
}

void push_open(ParseState* state, XmlNode* node) {
  try {
    state->open.push_back({node, nullptr, 0, false, std::u16string()});
  } catch (const std::bad_alloc&) {
    // The nesting cannot be followed any further.
    XML_StopParser(state->parser, XML_FALSE);
  }
}

void pop_open(ParseState* state) {
  if (state->open.size() <= 1) return;  // the document node stays open
  OpenNode& top = state->open.back();
  store_text(state, top);
  XmlNode* node = top.node;
  state->open.pop_back();
  OpenNode& parent = state->open.back();
  if (node) parent.last_closed = node;
  parent.count = 0;
}

bool equal_ignoring_case(const XML_Char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    unsigned ca = *a, cb = static_cast<unsigned char>(*b);
    if (ca >= 'a' && ca <= 'z') ca -= 32;
    if (cb >= 'a' && cb <= 'z') cb -= 32;
    if (ca != cb) return false;
  }
  return *a == 0 && *b == 0;
}

// ---------------------------------------------------------------- handlers

void XMLCALL on_start_element(void* data, const XML_Char* name, const XML_Char** attributes) {
  auto* state = static_cast<ParseState*>(data);
  XmlDocument* document = state->document;
  XmlNode* node = add_child(state, ElementNode);
  if (node) {
    node->name = xml_store_string(document, u16(name), length_of(name));
    size_t count = 0;
    while (attributes[2 * count]) ++count;
    if (count > INT32_MAX) count = INT32_MAX;
    if (count) {
      auto* pairs = static_cast<XmlAttribute*>(xml_store(document, count * sizeof(XmlAttribute)));
      if (pairs) {
        int32_t stored = 0;
        for (size_t i = 0; i < count; ++i) {
          const XML_Char* n = attributes[2 * i];
          const XML_Char* v = attributes[2 * i + 1];
          XmlAttribute pair{xml_store_string(document, u16(n), length_of(n)),
                            xml_store_string(document, u16(v), length_of(v))};
          if (!pair.name || !pair.value) continue;  // left out
          if (node->id_attribute < 0 && equal_ignoring_case(n, "ID")) node->id_attribute = stored;
          pairs[stored++] = pair;
        }
        node->attributes = pairs;
        node->attribute_count = stored;
      }
    }
    if (!document->main_element && node->parent == document->document_node)
      document->main_element = node;
  }
  push_open(state, node);
}

void XMLCALL on_end_element(void* data, const XML_Char*) {
  pop_open(static_cast<ParseState*>(data));
}

void XMLCALL on_character_data(void* data, const XML_Char* s, int length) {
  auto* state = static_cast<ParseState*>(data);
  if (length > 0) append_text(state, state->open.back(), u16(s), static_cast<size_t>(length), true);
}

// Stores a whole string, with line ends converted, as the node's text.
void set_converted_text(ParseState* state, XmlNode* node, const XML_Char* s) {
  if (!node) return;
  OpenNode scratch{node, nullptr, 0, false, std::u16string()};
  append_text(state, scratch, u16(s), length_of(s), true);
  scratch.has_text = true;
  store_text(state, scratch);
}

void XMLCALL on_comment(void* data, const XML_Char* s) {
  auto* state = static_cast<ParseState*>(data);
  XmlNode* node = add_child(state, CommentNode);
  set_converted_text(state, node, s);
  close_at_once(state, node);
}

void XMLCALL on_processing_instruction(void* data, const XML_Char* target, const XML_Char* s) {
  auto* state = static_cast<ParseState*>(data);
  XmlNode* node = add_child(state, ProcessingInstructionNode);
  if (node) node->name = xml_store_string(state->document, u16(target), length_of(target));
  set_converted_text(state, node, s);
  close_at_once(state, node);
}

void XMLCALL on_start_cdata(void* data) {
  auto* state = static_cast<ParseState*>(data);
  XmlNode* node = add_child(state, CDataNode);
  push_open(state, node);
  // An empty section still has a text (the empty one).
  if (node) state->open.back().has_text = true;
}

void XMLCALL on_end_cdata(void* data) {
  auto* state = static_cast<ParseState*>(data);
  if (state->open.back().node && state->open.back().node->kind == CDataNode) pop_open(state);
}

void append_identifier(std::u16string& text, const XML_Char* id) {
  bool has_double = false;
  for (const XML_Char* p = id; *p; ++p)
    if (*p == '"') has_double = true;
  char16_t quote = has_double ? u'\'' : u'"';
  text += u' ';
  text += quote;
  text += u16(id);
  text += quote;
}

void XMLCALL on_start_doctype(void* data, const XML_Char* name, const XML_Char* system_id,
                              const XML_Char* public_id, int has_internal_subset) {
  auto* state = static_cast<ParseState*>(data);
  XmlNode* node = add_child(state, DocTypeNode);
  std::u16string text;
  try {
    text = u"<!DOCTYPE ";
    if (name) text += u16(name);
    if (public_id) {
      if (system_id) text += u" PUBLIC";
      append_identifier(text, public_id);
    } else if (system_id) {
      text += u" SYSTEM";
    }
    if (system_id) append_identifier(text, system_id);
    text += has_internal_subset ? u" [" : u">";
  } catch (const std::bad_alloc&) {
    text.clear();
  }
  if (has_internal_subset) {
    // The node stays current and receives the subset's raw text.
    push_open(state, node);
    append_text(state, state->open.back(), text.data(), text.size(), false);
  } else {
    if (node) node->text = xml_store_string(state->document, text.data(), text.size());
    close_at_once(state, node);
  }
}

void XMLCALL on_end_doctype(void* data) {
  auto* state = static_cast<ParseState*>(data);
  OpenNode& top = state->open.back();
  if (state->open.size() > 1 && top.node && top.node->kind == DocTypeNode) {
    append_text(state, top, u"]>", 2, false);
    pop_open(state);
  }
}

void XMLCALL on_xml_declaration(void* data, const XML_Char* version, const XML_Char* encoding,
                                int standalone) {
  auto* state = static_cast<ParseState*>(data);
  if (!version) return;  // a text declaration
  XmlDocument* document = state->document;
  document->standalone = standalone < 0 ? -1 : (standalone ? 1 : 0);
  if (encoding) {
    if (equal_ignoring_case(encoding, "US-ASCII") || equal_ignoring_case(encoding, "ISO-8859-1"))
      document->encoding = XmlEncodingLatin1;
    else if (equal_ignoring_case(encoding, "UTF-16"))
      document->encoding = XmlEncodingUtf16;
    else
      document->encoding = XmlEncodingUtf8;
  }
}

void XMLCALL on_default(void* data, const XML_Char* s, int length) {
  auto* state = static_cast<ParseState*>(data);
  if (length > 0) append_text(state, state->open.back(), u16(s), static_cast<size_t>(length), false);
}

// --------------------------------------------------------- line-end style

// Looks for the first line end in a chunk of raw file bytes. A chunk with more
// than 4 zero bytes is taken as 16-bit units (big-endian when the file began
// with that byte order mark). A LF as the first unit may end a CR LF split
// between chunks and is skipped; the last unit is not examined because what
// follows it is not known yet.
int detect_line_end(const unsigned char* bytes, size_t length, bool big_endian) {
  size_t zeros = std::count(bytes, bytes + length, 0);
  bool wide = zeros > 4;
  size_t units = wide ? length / 2 : length;
  auto unit = [&](size_t i) -> unsigned {
    if (!wide) return bytes[i];
    return big_endian ? (bytes[2 * i] << 8) | bytes[2 * i + 1] : bytes[2 * i] | (bytes[2 * i + 1] << 8);
  };
  if (units < 2) return LineEndUnknown;
  size_t i = unit(0) == '\n' ? 1 : 0;
  for (; i + 1 < units; ++i) {
    unsigned c = unit(i);
    if (c == '\n') return LineEndLf;
    if (c == '\r') return unit(i + 1) == '\n' ? LineEndCrLf : LineEndCr;
  }
  return LineEndUnknown;
}

String error_text(int code) {
  // expat's messages are plain ASCII.
  const XML_LChar* message = XML_ErrorString(static_cast<XML_Error>(code));
  String out;
  if (message)
    for (; *message; ++message) out += static_cast<char16_t>(static_cast<unsigned char>(*message));
  return out;
}

void record_error(XmlDocument* document, XML_Parser parser, int code) {
  document->status = code;
  document->error_line = static_cast<int>(std::min<XML_Size>(XML_GetCurrentLineNumber(parser), INT32_MAX));
  document->error_column =
      static_cast<int>(std::min<XML_Size>(XML_GetCurrentColumnNumber(parser), INT32_MAX - 1)) + 1;
  try {
    document->error_message = error_text(code);
  } catch (const std::bad_alloc&) {
  }
}

// A load that gives no document leaves no document under a fixed number.
int load_failed(int number, FILE* file) {
  if (file) std::fclose(file);
  if (number >= 0 && number < FixedNumberLimit) xml_document_table().remove(number);
  return 0;
}

}  // namespace

int xml_load(int number, const String& path) {
  if (path.empty()) return load_failed(number, nullptr);
  std::string native = string_to_utf8(path);
  if (native.empty()) return load_failed(number, nullptr);
  FILE* file = std::fopen(native.c_str(), "rb");
  if (!file) return load_failed(number, nullptr);
  struct stat info;
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0)
    return load_failed(number, file);
  int64_t size = info.st_size;
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (!parser) return load_failed(number, file);
  int result = 0;
  XmlDocument* document = xml_new_document(number, &result);
  if (!document) {
    XML_ParserFree(parser);
    return load_failed(number, file);
  }
  document->line_end_style = LineEndUnknown;
  xml_reserve_first_block(document, static_cast<size_t>(size) + 16);

  ParseState state{document, parser, {}};
  try {
    state.open.reserve(64);
    state.open.push_back({document->document_node, nullptr, 0, false, std::u16string()});
  } catch (const std::bad_alloc&) {
    XML_ParserFree(parser);
    xml_document_table().remove(static_cast<int>(document->handle));
    return load_failed(number, file);
  }

  XML_SetUserData(parser, &state);
  XML_SetElementHandler(parser, on_start_element, on_end_element);
  XML_SetCharacterDataHandler(parser, on_character_data);
  XML_SetCommentHandler(parser, on_comment);
  XML_SetProcessingInstructionHandler(parser, on_processing_instruction);
  XML_SetCdataSectionHandler(parser, on_start_cdata, on_end_cdata);
  XML_SetDoctypeDeclHandler(parser, on_start_doctype, on_end_doctype);
  XML_SetXmlDeclHandler(parser, on_xml_declaration);
  XML_SetDefaultHandler(parser, on_default);

  // The file is read in chunks straight into expat's buffer. A read that
  // delivers fewer bytes than asked for (the file shrank, or a read error)
  // ends the file there: those bytes are handed over as the final chunk.
  int64_t done = 0;
  bool big_endian = false;
  while (true) {
    size_t want = static_cast<size_t>(std::min<int64_t>(ChunkSize, size - done));
    void* buffer = XML_GetBuffer(parser, static_cast<int>(want));
    if (!buffer) {
      record_error(document, parser, XML_ERROR_NO_MEMORY);
      break;
    }
    size_t got = want ? std::fread(buffer, 1, want, file) : 0;
    auto* bytes = static_cast<const unsigned char*>(buffer);
    // Big-endian UTF-16 starts with its byte order mark or with "<" as 00 3C.
    if (done == 0 && got >= 2 && ((bytes[0] == 0xFE && bytes[1] == 0xFF) || (bytes[0] == 0 && bytes[1] == '<')))
      big_endian = true;
    done += static_cast<int64_t>(got);
    bool final = done >= size || got < want;
    if (document->line_end_style == LineEndUnknown)
      document->line_end_style = detect_line_end(bytes, got, big_endian);
    if (XML_ParseBuffer(parser, static_cast<int>(got), final) == XML_STATUS_ERROR) {
      record_error(document, parser, XML_GetErrorCode(parser));
      break;
    }
    if (final) break;
  }

  // Nodes still open (the file ended inside them, or an error stopped the
  // parse) keep what they received.
  for (size_t i = state.open.size(); i-- > 0;) store_text(&state, state.open[i]);
  XML_ParserFree(parser);
  std::fclose(file);
  return result;
}
