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
  EXPECT_EQ(xml_node_text(xml_main_element(0)), u"xyzwv");
  EXPECT_EQ(children_of(xml_main_element(0)), "1 b '' @1;2  'c' @2;5 p 'd' @0;3  '<q>' @1;1 tile_x ' 32 ' @1;");
  EXPECT_EQ(xml_parent_node(child_at(xml_main_element(0), 3)), xml_main_element(0));
}

TEST_F(XmlLoad, PrologAndDeclarations) {
  ASSERT_NE(load(0,
                 "<?xml version=\"1.0\" encoding=\"iso-8859-1\" standalone=\"yes\"?>\n<!-- head -->\n"
                 "<!DOCTYPE r PUBLIC \"-//T\" 'say\"x' [\n<!ENTITY e \"v\">\n]>\n<r>a&e;b &amp; &#x41;</r>\n"),
            0);
  EXPECT_EQ(xml_status(0), 0) << string_to_utf8(xml_error_message(0));
  EXPECT_EQ(xml_encoding(0), XmlEncodingLatin1);
  EXPECT_EQ(xml_standalone(0), 1);
  EXPECT_EQ(xml_node_kind(xml_root_node(0)), DocumentNode);
  EXPECT_EQ(xml_node_text(xml_root_node(0)), u"\n\n\n\n");
  // Internal entities stay as written; predefined ones and references become characters.
  EXPECT_EQ(children_of(xml_root_node(0)),
            "2  ' head ' @1;4  '<!DOCTYPE r PUBLIC \"-//T\" 'say\"x' [\n<!ENTITY e \"v\">\n]>' @1;"
            "1 r 'a&e;b & A' @1;");
  ASSERT_NE(load(0, "<!DOCTYPE r SYSTEM \"r.dtd\"><r/>"), 0);
  EXPECT_EQ(children_of(xml_root_node(0)), "4  '<!DOCTYPE r SYSTEM \"r.dtd\">' @0;1 r '' @0;");
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
  const struct { std::string bytes; int style; String text; } cases[] = {
      {utf16(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<r>\u00e4\u20ac\r\nz</r>\r\n", false, true),
       LineEndCrLf, u"\u00e4\u20ac\r\nz"},
      {utf16(u"<r>a\nb</r>\n", true, true), LineEndLf, u"a\nb"},
      {utf16(u"<r>a\r\nb</r>", true, false), LineEndCrLf, u"a\r\nb"}};
  for (const auto& c : cases) {
    ASSERT_NE(load(0, c.bytes), 0);
    EXPECT_EQ(xml_status(0), 0);
    EXPECT_EQ(xml_line_end_style(0), c.style);
    EXPECT_EQ(xml_node_text(xml_main_element(0)), c.text);
  }
  EXPECT_EQ(xml_encoding(0), XmlEncodingUtf8);
  ASSERT_NE(load(0, cases[0].bytes), 0);
  EXPECT_EQ(xml_encoding(0), XmlEncodingUtf16);
}

TEST_F(XmlLoad, FileEndingInsideAnElementGivesThePartialTree) {
  int handle = load(AnyNumber, "<players>\n  <player>\n    <name>Anna</name>\n    <id>1");
  ASSERT_NE(handle, 0);
  EXPECT_NE(xml_status(handle), 0);
  EXPECT_EQ(xml_error_line(handle), 4);
  EXPECT_EQ(xml_error_column(handle), 10);
  EXPECT_FALSE(xml_error_message(handle).empty());
  EXPECT_EQ(xml_node_name(xml_main_element(handle)), u"players");
  XmlNode* player = child_named(xml_main_element(handle), u"player");
  EXPECT_EQ(children_of(player), "1 name 'Anna' @5;1 id '1' @5;");

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
  EXPECT_EQ(xml_add_element(nullptr, u"x"), nullptr);
  EXPECT_EQ(xml_save(99, upath("out.xml"), 0), 0);
}

}  // namespace
