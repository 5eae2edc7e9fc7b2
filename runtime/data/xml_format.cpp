// Formatting document texts: the clean-up pass (line ends and blanks), the
// line-end style, and the indentation pass. Every walk over the tree is
// iterative, so deeply nested documents cannot exhaust the stack.
#include <algorithm>
#include <new>

#include "runtime/data/xml_internal.h"

namespace {

// Indentation stops growing at this column: a hostile nesting depth must not
// turn every line into megabytes of blanks.
constexpr int64_t MaxIndentColumn = 256;

bool is_line_end(char16_t c) { return c == u'\r' || c == u'\n'; }
bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }

// Length of the line end at text[i] (CR LF counts as one line end).
size_t line_end_length(const char16_t* text, size_t i, size_t end) {
  return text[i] == u'\r' && i + 1 < end && text[i + 1] == u'\n' ? 2 : 1;
}

// The end of the piece of text that lies before child (clamped to the text,
// since offsets may no longer fit a replaced text).
size_t piece_end(size_t pos, size_t length, const XmlNode* child) {
  size_t offset = child->text_offset > 0 ? static_cast<size_t>(child->text_offset) : 0;
  return std::min(length, pos + std::min(offset, length - pos));
}

int32_t clamp_offset(size_t n) { return static_cast<int32_t>(std::min<size_t>(n, INT32_MAX)); }

// Preorder walk with depth, using the parent links only.
template <class Visit>
void walk_tree(XmlNode* root, Visit visit) {
  XmlNode* node = root;
  int64_t depth = 0;
  while (node) {
    visit(node, depth);
    if (node->first_child) {
      node = node->first_child;
      ++depth;
      continue;
    }
    while (node != root && !node->next_sibling) {
      node = node->parent;
      --depth;
    }
    if (node == root) break;
    node = node->next_sibling;
  }
}

void set_text(XmlNode* node, const std::u16string& text) {
  size_t old_length = xml_units(node->text);
  if (node->text && old_length == text.size() && std::equal(text.begin(), text.end(), node->text))
    return;
  xml_replace_text(node, text.data(), text.size());
}

// ------------------------------------------------------------ clean-up pass

struct CleanState {
  int flags;
  bool after_line_end = false;
  bool previous_non_blank = false;
};

void clean_piece(CleanState& state, int kind, const char16_t* text, size_t from, size_t to,
                 std::u16string& out) {
  int flags = state.flags;
  if (kind == CDataNode || kind == ProcessingInstructionNode)
    flags &= ~(FormatDropLineEnds | FormatDropRepeatedLineEnds | FormatDropBlanks |
               FormatCollapseBlanks);
  else if (kind == DocTypeNode)
    flags &= ~(FormatDropLineEnds | FormatDropBlanks);
  size_t i = from;
  while (i < to) {
    char16_t c = text[i];
    if (is_line_end(c)) {
      size_t n = line_end_length(text, i, to);
      bool drop = (flags & FormatDropLineEnds) ||
                  ((flags & FormatDropRepeatedLineEnds) && state.after_line_end);
      if (!drop) {
        if (flags & FormatLf)
          out += u'\n';
        else if (flags & FormatCr)
          out += u'\r';
        else
          out.append(text + i, n);
      }
      state.after_line_end = true;
      state.previous_non_blank = false;
      i += n;
    } else if (is_blank(c)) {
      bool drop = (flags & FormatDropBlanks) ||
                  ((flags & FormatCollapseBlanks) && !state.previous_non_blank);
      if (!drop) {
        out += c;
        state.after_line_end = false;
        state.previous_non_blank = false;
      }
      ++i;
    } else {
      out += c;
      state.after_line_end = false;
      state.previous_non_blank = true;
      ++i;
    }
  }
}

struct CleanFrame {
  XmlNode* node;
  XmlNode* next_child;
  size_t length;
  size_t pos;
  bool active;  // the node has a non-empty text
  std::u16string out;
};

// Goes through the tree in document order: each node's text piece by piece,
// with each child's subtree between the pieces before and after it.
void clean_tree(XmlNode* root, int flags) {
  CleanState state{flags};
  std::vector<CleanFrame> stack;
  auto enter = [&](XmlNode* node) {
    size_t length = xml_units(node->text);
    bool active = length > 0;
    if (node->kind != DocumentNode) {
      state.previous_non_blank = true;
      state.after_line_end = false;
    }
    stack.push_back({node, node->first_child, length, 0, active, std::u16string()});
  };
  enter(root);
  while (!stack.empty()) {
    CleanFrame& frame = stack.back();
    XmlNode* node = frame.node;
    if (XmlNode* child = frame.next_child) {
      frame.next_child = child->next_sibling;
      if (frame.active) {
        size_t end = piece_end(frame.pos, frame.length, child);
        size_t before = frame.out.size();
        clean_piece(state, node->kind, node->text, frame.pos, end, frame.out);
        child->text_offset = clamp_offset(frame.out.size() - before);
        frame.pos = end;
      } else {
        child->text_offset = 0;
      }
      enter(child);  // may move frame: not used after this
      continue;
    }
    if (frame.active) {
      clean_piece(state, node->kind, node->text, frame.pos, frame.length, frame.out);
      set_text(node, frame.out);
    }
    stack.pop_back();
    if (!stack.empty()) state.previous_non_blank = true;  // after each child
  }
}

// ------------------------------------------------------- line-end rewriting

// Rewrites every line end of the node's text as line_end, keeping the
// children at their places.
void convert_line_ends(XmlNode* node, const std::u16string& line_end) {
  size_t length = xml_units(node->text);
  if (!length) return;
  const char16_t* text = node->text;
  if (std::none_of(text, text + length, is_line_end)) return;
  std::u16string out;
  size_t pos = 0;
  auto piece = [&](size_t end) {
    size_t i = pos;
    while (i < end) {
      if (is_line_end(text[i])) {
        i += line_end_length(text, i, end);
        out += line_end;
      } else {
        out += text[i++];
      }
    }
    pos = end;
  };
  for (XmlNode* child = node->first_child; child; child = child->next_sibling) {
    size_t before = out.size();
    piece(piece_end(pos, length, child));
    child->text_offset = clamp_offset(out.size() - before);
  }
  piece(length);
  set_text(node, out);
}

// ------------------------------------------------------- indentation pass

struct IndentContext {
  std::u16string line_end;
  int64_t indent;
  bool crlf;  // FormatCrLf given: kept texts get CR LF line ends
};

void add_indentation(std::u16string& out, const IndentContext& context, int64_t column) {
  out += context.line_end;
  out.append(static_cast<size_t>(std::clamp<int64_t>(column, 0, MaxIndentColumn)), u' ');
}

// Text kept as it is (only its line ends are unified).
void keep_text(XmlNode* node, const IndentContext& context) {
  if (context.crlf) convert_line_ends(node, u"\r\n");
}

// Whether a node with children holds real content between them: any
// character other than blanks and line ends, or a CDATA section.
bool is_mixed(const XmlNode* node) {
  for (const char16_t* p = node->text; p && *p; ++p)
    if (!is_blank(*p) && !is_line_end(*p)) return true;
  for (const XmlNode* child = node->first_child; child; child = child->next_sibling)
    if (child->kind == CDataNode) return true;
  return false;
}

// The container layouts: the document node puts an empty line before elements
// and before the first child; an element puts each child on its own line at
// the level and its end tag one level out.
void lay_out_children(XmlNode* node, int64_t level, const IndentContext& context) {
  std::u16string out;
  const XmlNode* previous = nullptr;
  for (XmlNode* child = node->first_child; child; child = child->next_sibling) {
    size_t before = out.size();
    if (node->kind == DocumentNode) {
      out += context.line_end;
      if (!previous || child->kind == ElementNode || previous->kind == ElementNode)
        out += context.line_end;
    } else {
      add_indentation(out, context, level);
    }
    child->text_offset = clamp_offset(out.size() - before);
    previous = child;
  }
  if (node->kind == DocumentNode)
    out += context.line_end;
  else
    add_indentation(out, context, level - context.indent);
  set_text(node, out);
}

// An element without children whose text spans lines: every line on a line
// of its own at the level, the end tag one level out.
void lay_out_lines(XmlNode* node, int64_t level, const IndentContext& context) {
  const char16_t* text = node->text;
  size_t length = xml_units(text);
  if (std::none_of(text, text + length, is_line_end)) return;
  std::u16string out;
  size_t i = 0;
  while (i < length && is_blank(text[i])) ++i;
  if (i < length && !is_line_end(text[i])) add_indentation(out, context, level);
  bool ended_with_line_end = false;
  size_t after_line_end = 0;
  while (i < length) {
    if (is_line_end(text[i])) {
      i += line_end_length(text, i, length);
      add_indentation(out, context, level);
      after_line_end = out.size();
      while (i < length && is_blank(text[i])) ++i;
      ended_with_line_end = true;
    } else {
      out += text[i++];
      ended_with_line_end = false;
    }
  }
  if (ended_with_line_end) {
    int64_t have = std::clamp<int64_t>(level, 0, MaxIndentColumn);
    int64_t want = std::clamp<int64_t>(level - context.indent, 0, MaxIndentColumn);
    out.resize(after_line_end - static_cast<size_t>(have - want));
  } else {
    add_indentation(out, context, level - context.indent);
  }
  set_text(node, out);
}

void indent_tree(XmlDocument* document, int flags, int64_t indent) {
  IndentContext context;
  switch (document->line_end_style) {
    case LineEndCrLf: context.line_end = u"\r\n"; break;
    case LineEndCr: context.line_end = u"\r"; break;
    default: context.line_end = u"\n"; break;
  }
  context.indent = indent;
  context.crlf = (flags & FormatCrLf) != 0;
  int64_t mixed_depth = -1;  // depth of the mixed-content node being kept
  walk_tree(document->document_node, [&](XmlNode* node, int64_t depth) {
    if (mixed_depth >= 0 && depth <= mixed_depth) mixed_depth = -1;
    int64_t level = depth * indent;
    bool container = node->kind == ElementNode || node->kind == DocumentNode;
    if (mixed_depth >= 0 || !container) {
      keep_text(node, context);
    } else if (node->first_child) {
      if (is_mixed(node)) {
        mixed_depth = depth;
        keep_text(node, context);
      } else {
        lay_out_children(node, level, context);
      }
    } else if (node->kind == ElementNode) {
      lay_out_lines(node, level, context);
    } else {
      keep_text(node, context);
    }
  });
}

}  // namespace

void xml_format(int document_number, int flags, int indent) {
  XmlDocument* document = xml_document_table().find(document_number);
  if (!document || !document->document_node) return;
  try {
    if (flags & FormatIndent) flags |= FormatDropRepeatedLineEnds | FormatCollapseBlanks;
    if (flags & (FormatLf | FormatCr | FormatDropLineEnds | FormatDropRepeatedLineEnds |
                 FormatDropBlanks | FormatCollapseBlanks))
      clean_tree(document->document_node, flags);
    if (flags & FormatCrLf)
      document->line_end_style = LineEndCrLf;
    else if (flags & FormatLf)
      document->line_end_style = LineEndLf;
    else if (flags & FormatCr)
      document->line_end_style = LineEndCr;
    else if (document->line_end_style == LineEndUnknown)
      document->line_end_style = LineEndLf;
    if (flags & FormatIndent) {
      indent_tree(document, flags, std::max(indent, 0));
    } else if (flags & FormatCrLf) {
      walk_tree(document->document_node,
                [](XmlNode* node, int64_t) { convert_line_ends(node, u"\r\n"); });
    }
  } catch (const std::bad_alloc&) {
    // Out of memory: the texts formatted so far stay, the rest as it was.
  }
}
