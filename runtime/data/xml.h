// XML documents: parsed from files over expat into trees of nodes, built in
// memory, formatted and saved. Documents are numbered objects (fixed numbers or
// AnyNumber handles). A node's text is one string holding all character data
// directly inside it; its children sit at text offsets within that text.
// Operations on a number that names no document, or on a null node, do nothing
// and return 0 or "".
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

struct XmlNode;

// Node kinds.
constexpr int DocumentNode = 0;
constexpr int ElementNode = 1;
constexpr int CommentNode = 2;
constexpr int CDataNode = 3;
constexpr int DocTypeNode = 4;
constexpr int ProcessingInstructionNode = 5;

// Document encodings (used by xml_save).
constexpr int XmlEncodingUtf8 = 2;
constexpr int XmlEncodingLatin1 = 24;
constexpr int XmlEncodingUtf16 = 25;

// Line-end styles.
constexpr int LineEndUnknown = 0;
constexpr int LineEndCrLf = 1;
constexpr int LineEndLf = 2;
constexpr int LineEndCr = 4;

// xml_format flags.
constexpr int FormatCrLf = 1;
constexpr int FormatLf = 2;
constexpr int FormatCr = 4;
constexpr int FormatDropLineEnds = 8;
constexpr int FormatDropRepeatedLineEnds = 16;
constexpr int FormatDropBlanks = 32;
constexpr int FormatCollapseBlanks = 64;
constexpr int FormatIndent = 128;

// xml_save flags.
constexpr int SaveWithBom = 1;
constexpr int SaveNoDeclaration = 2;

// Parses the file into a new document (a document in use under the number is
// freed first). Returns the handle for AnyNumber, 1 for a fixed number (go on
// using the number), also when parsing failed (xml_status tells; the tree then
// holds what was read before the error); 0 when the path is empty, the file
// cannot be opened, is no regular file or is empty (a document that was under
// the fixed number is gone then too). A file that shrinks while it is read
// ends where the reading ended.
int xml_load(int number, const String& path);
// Frees the document with its nodes and strings; -1 frees all documents.
void xml_free(int document);
// 0 when parsed without error, else expat's error code.
int xml_status(int document);
String xml_error_message(int document);
int xml_error_line(int document);
// 1-based.
int xml_error_column(int document);
// Encoding, standalone (-1 not declared, 0 no, 1 yes) and line-end style.
int xml_encoding(int document);
int xml_standalone(int document);
int xml_line_end_style(int document);

XmlNode* xml_main_element(int document);
XmlNode* xml_root_node(int document);
int xml_node_kind(XmlNode* node);
XmlNode* xml_first_child(XmlNode* node);
XmlNode* xml_next_sibling(XmlNode* node);
XmlNode* xml_parent_node(XmlNode* node);
String xml_node_name(XmlNode* node);
String xml_node_text(XmlNode* node);
// Characters of the parent's text between the previous sibling (or the start)
// and this node.
int xml_node_text_offset(XmlNode* node);
// Attribute walk: begin sets the cursor before the first attribute (1 for an
// element, else 0); next advances it and returns non-zero while it is on one.
int xml_attributes_begin(XmlNode* node);
int xml_attributes_next(XmlNode* node);
String xml_attribute_name(XmlNode* node);
String xml_attribute_value(XmlNode* node);
// Value of the element's "ID" attribute (name compared without regard to
// case; the first such attribute), or "".
String xml_node_id(XmlNode* node);

// A new document holding only its document node (UTF-8, LF line ends).
// Result as xml_load.
int xml_create(int number);
// Replaces the node's text by a copy of text.
void xml_set_node_text(XmlNode* node, const String& text);
// Appends a new element as the parent's last child, after all of the
// parent's text; 0 when the parent is the document node and there already is
// a main element.
XmlNode* xml_add_element(XmlNode* parent, const String& name);
// Normalises line ends and blanks and indents the texts of the whole tree.
void xml_format(int document, int flags, int indent);
// Writes the document. 1 when it was written completely; 0 otherwise, and then
// a file that existed at path is left as it was. The file is written beside
// the destination under a temporary name and renamed over it when complete
// (so the directory must be writable); an existing file's permissions are
// kept, and a symbolic link is followed to the file it names.
int xml_save(int document, const String& path, int flags);

// Frees every document and the node pool (shut-down).
void xml_release_all();
