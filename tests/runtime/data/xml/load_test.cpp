// Loading: the tree, the text model, line ends, encodings, errors.
#include "xml_test_support.h"

namespace {

using XmlLoad = XmlTest;

TEST_F(XmlLoad, LineEndsOfTheFileAreKeptInTexts) {
  ASSERT_NE(load(0, "<a>\r\n<t>one\r\ntwo</t>\r\n</a>\r\n"), 0);
  EXPECT_EQ(xml_line_end_style(0), LineEndCrLf);
  XmlNode* a = xml_main_element(0);
  EXPECT_EQ(xml_node_text(child_named(a, u"t")), u"one\r\ntwo");
  EXPECT_EQ(xml_node_text(a), u"\r\n\r\n");
  EXPECT_EQ(xml_node_text_offset(child_named(a, u"t")), 2);

  ASSERT_NE(load(0, "<a>\n<t>one\ntwo</t>\n</a>\n"), 0);
  EXPECT_EQ(xml_line_end_style(0), LineEndLf);
  EXPECT_EQ(xml_node_text(child_named(xml_main_element(0), u"t")), u"one\ntwo");

  ASSERT_NE(load(0, "<a><t>one\rtwo</t></a>"), 0);
  EXPECT_EQ(xml_line_end_style(0), LineEndCr);
  EXPECT_EQ(xml_node_text(child_named(xml_main_element(0), u"t")), u"one\rtwo");

  // No line end before the last byte: the style stays unknown, texts get LF.
  ASSERT_NE(load(0, "<t>x</t>\n"), 0);
  EXPECT_EQ(xml_line_end_style(0), LineEndUnknown);
}

TEST_F(XmlLoad, LineEndFoundInALaterChunk) {
  std::string text(20000, 'x');
  ASSERT_NE(load(0, "<t>" + text + "\r\ny</t>"), 0);
  EXPECT_EQ(xml_status(0), 0);
  EXPECT_EQ(xml_line_end_style(0), LineEndCrLf);
  EXPECT_EQ(xml_node_text(xml_main_element(0)), string_from_utf8(text) + u"\r\ny");
}

TEST_F(XmlLoad, TextModelPlacesChildrenAtOffsets) {
  ASSERT_NE(load(0, "<a>x<b/>yz<!--c--><?p d?>w<![CDATA[<q>]]>v</a>"), 0);
  EXPECT_EQ(xml_status(0), 0);
  XmlNode* a = xml_main_element(0);
  EXPECT_EQ(xml_node_text(a), u"xyzwv");
  XmlNode* b = child_at(a, 0);
  XmlNode* comment = child_at(a, 1);
  XmlNode* pi = child_at(a, 2);
  XmlNode* cdata = child_at(a, 3);
  EXPECT_EQ(child_at(a, 4), nullptr);
  EXPECT_EQ(xml_node_kind(b), ElementNode);
  EXPECT_EQ(xml_node_text_offset(b), 1);
  EXPECT_EQ(xml_node_kind(comment), CommentNode);
  EXPECT_EQ(xml_node_text(comment), u"c");
  EXPECT_EQ(xml_node_text_offset(comment), 2);
  EXPECT_EQ(xml_node_kind(pi), ProcessingInstructionNode);
  EXPECT_EQ(xml_node_name(pi), u"p");
  EXPECT_EQ(xml_node_text(pi), u"d");
  EXPECT_EQ(xml_node_text_offset(pi), 0);
  EXPECT_EQ(xml_node_kind(cdata), CDataNode);
  EXPECT_EQ(xml_node_text(cdata), u"<q>");
  EXPECT_EQ(xml_node_text_offset(cdata), 1);
  EXPECT_EQ(xml_parent_node(cdata), a);
  EXPECT_EQ(xml_node_text(b), u"");
  EXPECT_EQ(xml_first_child(b), nullptr);
}

TEST_F(XmlLoad, BlanksAroundANumberAreKept) {
  ASSERT_NE(load(0, "<level><tile_x> 32 </tile_x></level>"), 0);
  EXPECT_EQ(xml_node_text(child_named(xml_main_element(0), u"tile_x")), u" 32 ");
}

TEST_F(XmlLoad, PrologAndDeclarations) {
  ASSERT_NE(load(0,
                 "<?xml version=\"1.0\" encoding=\"iso-8859-1\" standalone=\"yes\"?>\n"
                 "<!-- head -->\n"
                 "<!DOCTYPE r [\n<!ENTITY e \"v\">\n]>\n"
                 "<r>a&e;b &amp; &#x41;</r>\n"),
            0);
  EXPECT_EQ(xml_status(0), 0) << string_to_utf8(xml_error_message(0));
  EXPECT_EQ(xml_encoding(0), XmlEncodingLatin1);
  EXPECT_EQ(xml_standalone(0), 1);
  XmlNode* root = xml_root_node(0);
  EXPECT_EQ(xml_node_kind(root), DocumentNode);
  XmlNode* comment = child_at(root, 0);
  XmlNode* doctype = child_at(root, 1);
  XmlNode* r = child_at(root, 2);
  EXPECT_EQ(xml_node_text(comment), u" head ");
  EXPECT_EQ(xml_node_kind(doctype), DocTypeNode);
  EXPECT_EQ(xml_node_text(doctype), u"<!DOCTYPE r [\n<!ENTITY e \"v\">\n]>");
  EXPECT_EQ(r, xml_main_element(0));
  // Internal entities are left as written; predefined ones and character
  // references become their characters.
  EXPECT_EQ(xml_node_text(r), u"a&e;b & A");
  // The document node holds the line ends between the prolog items.
  EXPECT_EQ(xml_node_text(root), u"\n\n\n\n");
  EXPECT_EQ(xml_node_text_offset(comment), 1);
  EXPECT_EQ(xml_node_text_offset(doctype), 1);
  EXPECT_EQ(xml_node_text_offset(r), 1);
}

TEST_F(XmlLoad, DocumentTypeIdentifiers) {
  ASSERT_NE(load(0, "<!DOCTYPE r SYSTEM \"r.dtd\"><r/>"), 0);
  EXPECT_EQ(xml_node_text(xml_first_child(xml_root_node(0))), u"<!DOCTYPE r SYSTEM \"r.dtd\">");
  ASSERT_NE(load(0, "<!DOCTYPE r PUBLIC \"-//T//X\" 'say\"x'><r/>"), 0);
  EXPECT_EQ(xml_node_text(xml_first_child(xml_root_node(0))),
            u"<!DOCTYPE r PUBLIC \"-//T//X\" 'say\"x'>");
  ASSERT_NE(load(0, "<!DOCTYPE r><r/>"), 0);
  EXPECT_EQ(xml_node_text(xml_first_child(xml_root_node(0))), u"<!DOCTYPE r>");
  EXPECT_EQ(xml_encoding(0), XmlEncodingUtf8);
  EXPECT_EQ(xml_standalone(0), -1);
}

TEST_F(XmlLoad, AttributesAndId) {
  ASSERT_NE(load(0, "<r><p a=\"1\" Id=\"seven\" id=\"other\"/><q/></r>"), 0);
  XmlNode* p = child_named(xml_main_element(0), u"p");
  ASSERT_EQ(xml_attributes_begin(p), 1);
  EXPECT_EQ(xml_attribute_name(p), u"");  // before the first
  std::u16string seen;
  while (xml_attributes_next(p)) seen += xml_attribute_name(p) + u"=" + xml_attribute_value(p) + u";";
  EXPECT_EQ(seen, u"a=1;Id=seven;id=other;");
  EXPECT_EQ(xml_attribute_value(p), u"");  // after the last
  EXPECT_EQ(xml_attributes_next(p), 0);
  EXPECT_EQ(xml_node_id(p), u"seven");
  XmlNode* q = child_named(xml_main_element(0), u"q");
  EXPECT_EQ(xml_attributes_begin(q), 1);
  EXPECT_EQ(xml_attributes_next(q), 0);
  EXPECT_EQ(xml_node_id(q), u"");
  EXPECT_EQ(xml_attributes_begin(xml_root_node(0)), 0);
}

TEST_F(XmlLoad, Utf16FilesWithByteOrderMark) {
  String doc = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<r>\u00e4\u20ac\r\nz</r>\r\n";
  ASSERT_NE(load(0, utf16le(doc, true)), 0);
  EXPECT_EQ(xml_status(0), 0) << string_to_utf8(xml_error_message(0));
  EXPECT_EQ(xml_encoding(0), XmlEncodingUtf16);
  EXPECT_EQ(xml_line_end_style(0), LineEndCrLf);
  EXPECT_EQ(xml_node_text(xml_main_element(0)), u"\u00e4\u20ac\r\nz");

  ASSERT_NE(load(1, utf16be(u"<r>a\nb</r>\n", true)), 0);
  EXPECT_EQ(xml_status(1), 0);
  EXPECT_EQ(xml_line_end_style(1), LineEndLf);
  EXPECT_EQ(xml_node_text(xml_main_element(1)), u"a\nb");

  ASSERT_NE(load(1, utf16be(u"<r>a\r\nb</r>", false)), 0);
  EXPECT_EQ(xml_status(1), 0);
  EXPECT_EQ(xml_line_end_style(1), LineEndCrLf);
}

TEST_F(XmlLoad, FileEndingInsideAnElementGivesThePartialTree) {
  int handle = load(AnyNumber, "<players>\n  <player>\n    <name>Anna</name>\n    <id>1");
  ASSERT_NE(handle, 0);
  EXPECT_NE(xml_status(handle), 0);
  EXPECT_EQ(xml_error_line(handle), 4);
  EXPECT_EQ(xml_error_column(handle), 10);
  EXPECT_FALSE(xml_error_message(handle).empty());
  XmlNode* players = xml_main_element(handle);
  ASSERT_NE(players, nullptr);
  EXPECT_EQ(xml_node_name(players), u"players");
  XmlNode* player = child_named(players, u"player");
  EXPECT_EQ(xml_node_text(child_named(player, u"name")), u"Anna");
  EXPECT_EQ(xml_node_text(child_named(player, u"id")), u"1");
  xml_free(handle);
  EXPECT_EQ(xml_main_element(handle), nullptr);
}

TEST_F(XmlLoad, MalformedFileReportsTheFirstError) {
  ASSERT_NE(load(0, "<a>\n<b></c>\n</a>"), 0);
  EXPECT_EQ(xml_status(0), 7);  // mismatched tag
  EXPECT_EQ(string_to_utf8(xml_error_message(0)), "mismatched tag");
  EXPECT_EQ(xml_error_line(0), 2);
  EXPECT_EQ(xml_error_column(0), 6);
  EXPECT_EQ(xml_node_name(child_at(xml_main_element(0), 0)), u"b");

  ASSERT_NE(load(0, "<a encoding=\"x\"><b/></a>"), 0);
  EXPECT_EQ(xml_status(0), 0);
  EXPECT_EQ(xml_error_line(0), 0);
  EXPECT_EQ(xml_error_column(0), 0);
  EXPECT_EQ(xml_error_message(0), u"");

  ASSERT_NE(load(0, "<?xml version=\"1.0\" encoding=\"KOI8-R\"?><a/>"), 0);
  EXPECT_EQ(xml_status(0), 18);  // unknown encoding
}

TEST_F(XmlLoad, NoDocumentForMissingEmptyOrUnreadableFiles) {
  ASSERT_NE(load(3, "<keep/>"), 0);
  EXPECT_EQ(load(3, ""), 0);
  EXPECT_EQ(xml_root_node(3), nullptr);  // the failed load leaves no document
  EXPECT_EQ(xml_load(AnyNumber, u""), 0);
  EXPECT_EQ(xml_load(AnyNumber, upath("missing.xml")), 0);
  EXPECT_EQ(xml_load(AnyNumber, string_from_utf8(dir)), 0);  // a directory
  EXPECT_EQ(xml_load(-5, upath("in.xml")), 0);
}

TEST_F(XmlLoad, NumbersAndHandles) {
  EXPECT_EQ(load(2, "<one/>"), 1);
  int handle = load(AnyNumber, "<two/>");
  EXPECT_GE(handle, FixedNumberLimit);
  // Loading under a number in use replaces the document.
  EXPECT_EQ(load(2, "<three/>"), 1);
  EXPECT_EQ(xml_node_name(xml_main_element(2)), u"three");
  EXPECT_EQ(xml_node_name(xml_main_element(handle)), u"two");
  // A handle is no number to load under, and its document stays.
  EXPECT_EQ(xml_load(handle, upath("missing.xml")), 0);
  EXPECT_EQ(xml_node_name(xml_main_element(handle)), u"two");
  xml_free(-1);
  EXPECT_EQ(xml_main_element(2), nullptr);
  EXPECT_EQ(xml_main_element(handle), nullptr);
  // Nothing happens for numbers and nodes that name nothing.
  EXPECT_EQ(xml_status(99), 0);
  EXPECT_EQ(xml_error_message(99), u"");
  EXPECT_EQ(xml_root_node(99), nullptr);
  EXPECT_EQ(xml_node_kind(nullptr), 0);
  EXPECT_EQ(xml_node_text(nullptr), u"");
  EXPECT_EQ(xml_next_sibling(nullptr), nullptr);
  EXPECT_EQ(xml_attributes_next(nullptr), 0);
  EXPECT_EQ(xml_add_element(nullptr, u"x"), nullptr);
  xml_set_node_text(nullptr, u"x");
  xml_format(99, 129, 2);
  EXPECT_EQ(xml_save(99, upath("out.xml"), 0), 0);
}

}  // namespace
