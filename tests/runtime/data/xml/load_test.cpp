// Loading: the tree, the text model, line ends, encodings, errors.
#include "xml_test_support.h"

namespace {

using XmlLoad = XmlTest;

TEST_F(XmlLoad, TextsKeepTheLineEndsOfTheFile) {
  const std::string long_line(20000, 'x');  // the first line end lies in the second chunk
  const struct { std::string bytes; int style; String text; } cases[] = {
      {"<a>\r\n<t>one\r\ntwo</t>\r\n</a>\r\n", LineEndCrLf, u"one\r\ntwo"},
      {"<a>\n<t>one\ntwo</t>\n</a>\n", LineEndLf, u"one\ntwo"},
      {"<a><t>one\rtwo</t></a>", LineEndCr, u"one\rtwo"},
      {"<a><t>" + long_line + "\r\ny</t></a>", LineEndCrLf, string_from_utf8(long_line) + u"\r\ny"},
      {"<a><t>x</t></a>\n", LineEndUnknown, u"x"}};
  for (const auto& c : cases) {
    ASSERT_NE(load(0, c.bytes), 0);
    EXPECT_EQ(xml_status(0), 0);
    EXPECT_EQ(xml_line_end_style(0), c.style) << c.bytes.substr(0, 12);
    EXPECT_EQ(xml_node_text(child_named(xml_main_element(0), u"t")), c.text);
  }
}

TEST_F(XmlLoad, TextModelPlacesChildrenAtOffsets) {
  ASSERT_NE(load(0, "<a>x<b/>yz<!--c--><?p d?>w<![CDATA[<q>]]>v<tile_x> 32 </tile_x></a>"), 0);
  XmlNode* a = xml_main_element(0);
  EXPECT_EQ(xml_node_text(a), u"xyzwv");
  const struct { int kind; String name, text; int offset; } children[] = {
      {ElementNode, u"b", u"", 1},
      {CommentNode, u"", u"c", 2},
      {ProcessingInstructionNode, u"p", u"d", 0},
      {CDataNode, u"", u"<q>", 1},
      {ElementNode, u"tile_x", u" 32 ", 1}};
  int n = 0;
  for (const auto& c : children) {
    XmlNode* child = child_at(a, n++);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(xml_node_kind(child), c.kind);
    EXPECT_EQ(xml_node_name(child), c.name);
    EXPECT_EQ(xml_node_text(child), c.text);
    EXPECT_EQ(xml_node_text_offset(child), c.offset) << n;
    EXPECT_EQ(xml_parent_node(child), a);
  }
  EXPECT_EQ(child_at(a, n), nullptr);
}

TEST_F(XmlLoad, PrologAndDeclarations) {
  ASSERT_NE(load(0,
                 "<?xml version=\"1.0\" encoding=\"iso-8859-1\" standalone=\"yes\"?>\n<!-- head -->\n"
                 "<!DOCTYPE r PUBLIC \"-//T\" 'say\"x' [\n<!ENTITY e \"v\">\n]>\n<r>a&e;b &amp; &#x41;</r>\n"),
            0);
  EXPECT_EQ(xml_status(0), 0) << string_to_utf8(xml_error_message(0));
  EXPECT_EQ(xml_encoding(0), XmlEncodingLatin1);
  EXPECT_EQ(xml_standalone(0), 1);
  XmlNode* root = xml_root_node(0);
  EXPECT_EQ(xml_node_kind(root), DocumentNode);
  EXPECT_EQ(xml_node_text(root), u"\n\n\n\n");
  EXPECT_EQ(xml_node_text(child_at(root, 0)), u" head ");
  EXPECT_EQ(xml_node_text(child_at(root, 1)), u"<!DOCTYPE r PUBLIC \"-//T\" 'say\"x' [\n<!ENTITY e \"v\">\n]>");
  EXPECT_EQ(child_at(root, 2), xml_main_element(0));
  EXPECT_EQ(xml_node_text_offset(child_at(root, 2)), 1);
  // Internal entities stay as written; predefined ones and references become characters.
  EXPECT_EQ(xml_node_text(xml_main_element(0)), u"a&e;b & A");
  ASSERT_NE(load(0, "<!DOCTYPE r SYSTEM \"r.dtd\"><r/>"), 0);
  EXPECT_EQ(xml_node_text(xml_first_child(xml_root_node(0))), u"<!DOCTYPE r SYSTEM \"r.dtd\">");
  EXPECT_EQ(xml_encoding(0), XmlEncodingUtf8);
  EXPECT_EQ(xml_standalone(0), -1);
}

TEST_F(XmlLoad, AttributesAndId) {
  ASSERT_NE(load(0, "<r><p a=\"1\" Id=\"seven\" id=\"other\"/><q/></r>"), 0);
  XmlNode* p = child_named(xml_main_element(0), u"p");
  ASSERT_EQ(xml_attributes_begin(p), 1);
  std::u16string seen;
  while (xml_attributes_next(p)) seen += xml_attribute_name(p) + u"=" + xml_attribute_value(p) + u";";
  EXPECT_EQ(seen, u"a=1;Id=seven;id=other;");
  EXPECT_EQ(xml_node_id(p), u"seven");
  XmlNode* q = child_named(xml_main_element(0), u"q");
  EXPECT_EQ(xml_attributes_begin(q), 1);
  EXPECT_EQ(xml_attributes_next(q), 0);
  EXPECT_EQ(xml_node_id(q), u"");
  EXPECT_EQ(xml_attributes_begin(xml_root_node(0)), 0);
}

TEST_F(XmlLoad, Utf16Files) {
  ASSERT_NE(load(0, utf16(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<r>\u00e4\u20ac\r\nz</r>\r\n", false, true)),
            0);
  EXPECT_EQ(xml_status(0), 0);
  EXPECT_EQ(xml_encoding(0), XmlEncodingUtf16);
  EXPECT_EQ(xml_line_end_style(0), LineEndCrLf);
  EXPECT_EQ(xml_node_text(xml_main_element(0)), u"\u00e4\u20ac\r\nz");
  ASSERT_NE(load(0, utf16(u"<r>a\nb</r>\n", true, true)), 0);
  EXPECT_EQ(xml_line_end_style(0), LineEndLf);
  EXPECT_EQ(xml_node_text(xml_main_element(0)), u"a\nb");
  ASSERT_NE(load(0, utf16(u"<r>a\r\nb</r>", true, false)), 0);
  EXPECT_EQ(xml_status(0), 0);
  EXPECT_EQ(xml_line_end_style(0), LineEndCrLf);
}

TEST_F(XmlLoad, FileEndingInsideAnElementGivesThePartialTree) {
  int handle = load(AnyNumber, "<players>\n  <player>\n    <name>Anna</name>\n    <id>1");
  ASSERT_NE(handle, 0);
  EXPECT_NE(xml_status(handle), 0);
  EXPECT_EQ(xml_error_line(handle), 4);
  EXPECT_EQ(xml_error_column(handle), 10);
  EXPECT_FALSE(xml_error_message(handle).empty());
  XmlNode* player = child_named(xml_main_element(handle), u"player");
  EXPECT_EQ(xml_node_name(xml_main_element(handle)), u"players");
  EXPECT_EQ(xml_node_text(child_named(player, u"name")), u"Anna");
  EXPECT_EQ(xml_node_text(child_named(player, u"id")), u"1");

  ASSERT_NE(load(0, "<a>\n<b></c>\n</a>"), 0);
  EXPECT_EQ(string_to_utf8(xml_error_message(0)), "mismatched tag");
  EXPECT_EQ(xml_status(0), 7);
  EXPECT_EQ(xml_error_line(0), 2);
  EXPECT_EQ(xml_error_column(0), 6);
  ASSERT_NE(load(0, "<?xml version=\"1.0\" encoding=\"KOI8-R\"?><a/>"), 0);
  EXPECT_EQ(xml_status(0), 18);  // unknown encoding
}

TEST_F(XmlLoad, NoDocumentForEmptyMissingOrUnreadableFiles) {
  ASSERT_EQ(load(3, "<keep/>"), 1);
  EXPECT_EQ(load(3, ""), 0);
  EXPECT_EQ(xml_root_node(3), nullptr);  // the failed load leaves no document under 3
  EXPECT_EQ(xml_load(AnyNumber, u""), 0);
  EXPECT_EQ(xml_load(AnyNumber, upath("missing.xml")), 0);
  EXPECT_EQ(xml_load(AnyNumber, string_from_utf8(dir)), 0);
  EXPECT_EQ(xml_load(-5, upath("in.xml")), 0);
}

TEST_F(XmlLoad, NumbersAndHandles) {
  EXPECT_EQ(load(2, "<one/>"), 1);
  int handle = load(AnyNumber, "<two/>");
  EXPECT_GE(handle, FixedNumberLimit);
  EXPECT_EQ(load(2, "<three/>"), 1);
  EXPECT_EQ(xml_node_name(xml_main_element(2)), u"three");
  EXPECT_EQ(xml_load(handle, upath("missing.xml")), 0);  // a handle is no number to load under
  EXPECT_EQ(xml_node_name(xml_main_element(handle)), u"two");
  xml_free(-1);
  EXPECT_EQ(xml_main_element(2), nullptr);
  EXPECT_EQ(xml_main_element(handle), nullptr);
  EXPECT_EQ(xml_error_message(99), u"");
  EXPECT_EQ(xml_node_text(nullptr), u"");
  EXPECT_EQ(xml_attributes_next(nullptr), 0);
  EXPECT_EQ(xml_add_element(nullptr, u"x"), nullptr);
  xml_set_node_text(nullptr, u"x");
  xml_format(99, 129, 2);
  EXPECT_EQ(xml_save(99, upath("out.xml"), 0), 0);
}

}  // namespace
