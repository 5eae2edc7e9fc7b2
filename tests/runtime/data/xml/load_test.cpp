// Loading: the tree, the text model, line ends, encodings, errors.
#include "xml_test_support.h"

namespace {

using XmlLoad = XmlTest;

TEST_F(XmlLoad, TextsKeepTheLineEndsAndEncodingOfTheFile) {
  const std::string long_line(20000, 'x');  // the first line end lies in the second chunk
  const struct { std::string bytes; int style; String text; int encoding; } cases[] = {
      {"<t>one\r\ntwo</t>\r\n", LineEndCrLf, u"one\r\ntwo", XmlEncodingUtf8},
      {"<t>one\ntwo</t>\n", LineEndLf, u"one\ntwo", XmlEncodingUtf8},
      {"<t>one\rtwo</t>", LineEndCr, u"one\rtwo", XmlEncodingUtf8},
      {"<t>" + long_line + "\r\ny</t>", LineEndCrLf, string_from_utf8(long_line) + u"\r\ny", XmlEncodingUtf8},
      {"<t>x</t>\n", LineEndUnknown, u"x", XmlEncodingUtf8},
      {utf16(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<t>\u00e4\u20ac\r\nz</t>\r\n", false, true),
       LineEndCrLf, u"\u00e4\u20ac\r\nz", XmlEncodingUtf16},
      {utf16(u"<t>a\nb</t>\n", true, false), LineEndLf, u"a\nb", XmlEncodingUtf8},
      {"<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><t>\xE4</t>", LineEndUnknown, u"\u00e4", XmlEncodingLatin1}};
  for (const auto& c : cases) {
    ASSERT_NE(load(0, c.bytes), 0);
    EXPECT_EQ(xml_status(0), 0);
    EXPECT_EQ(xml_line_end_style(0), c.style) << c.bytes.substr(0, 12);
    EXPECT_EQ(xml_node_text(xml_main_element(0)), c.text);
    EXPECT_EQ(xml_encoding(0), c.encoding);
  }
}

TEST_F(XmlLoad, TextModelPrologAndAttributes) {
  ASSERT_NE(load(0, "<a>x<b/>yz<!--c--><?p d?>w<![CDATA[<q>]]>v<tile_x> 32 </tile_x></a>"), 0);
  EXPECT_EQ(xml_node_text(xml_main_element(0)), u"xyzwv");
  EXPECT_EQ(children_of(xml_main_element(0)), "1 b '' @1;2  'c' @2;5 p 'd' @0;3  '<q>' @1;1 tile_x ' 32 ' @1;");

  ASSERT_NE(load(0, "<?xml version=\"1.0\" standalone=\"yes\"?>\n<!-- head -->\n<!DOCTYPE r PUBLIC \"-//T\" "
                    "'say\"x' [\n<!ENTITY e \"v\">\n]>\n<r a=\"1\" Id=\"7\" id=\"8\">a&e;b &amp; &#x41;</r>\n"), 0);
  EXPECT_EQ(xml_status(0), 0) << string_to_utf8(xml_error_message(0));
  EXPECT_EQ(xml_standalone(0), 1);
  EXPECT_EQ(xml_node_text(xml_root_node(0)), u"\n\n\n\n");
  // Internal entities stay as written; predefined ones and references become characters.
  EXPECT_EQ(children_of(xml_root_node(0)),
            "2  ' head ' @1;4  '<!DOCTYPE r PUBLIC \"-//T\" 'say\"x' [\n<!ENTITY e \"v\">\n]>' @1;"
            "1 r 'a&e;b & A' @1;");
  XmlNode* r = xml_main_element(0);
  ASSERT_EQ(xml_attributes_begin(r), 1);
  String seen;
  while (xml_attributes_next(r)) seen += xml_attribute_name(r) + u"=" + xml_attribute_value(r) + u";";
  EXPECT_EQ(seen, u"a=1;Id=7;id=8;");
  EXPECT_EQ(xml_node_id(r), u"7");
  EXPECT_EQ(xml_attributes_begin(xml_root_node(0)), 0);
  ASSERT_NE(load(0, "<!DOCTYPE r SYSTEM \"r.dtd\"><r/>"), 0);
  EXPECT_EQ(children_of(xml_root_node(0)), "4  '<!DOCTYPE r SYSTEM \"r.dtd\">' @0;1 r '' @0;");
  EXPECT_EQ(xml_standalone(0), -1);
}

TEST_F(XmlLoad, MalformedFilesGiveThePartialTreeAndNoFileGivesNoDocument) {
  int handle = load(AnyNumber, "<players>\n  <player>\n    <name>Anna</name>\n    <id>1");
  ASSERT_NE(handle, 0);
  EXPECT_NE(xml_status(handle), 0);
  EXPECT_EQ(xml_error_line(handle) * 100 + xml_error_column(handle), 410);
  EXPECT_EQ(xml_node_name(xml_main_element(handle)), u"players");
  EXPECT_EQ(children_of(xml_first_child(xml_main_element(handle))), "1 name 'Anna' @5;1 id '1' @5;");
  ASSERT_NE(load(0, "<a>\n<b></c>\n</a>"), 0);
  EXPECT_EQ(string_to_utf8(xml_error_message(0)), "mismatched tag");
  EXPECT_EQ(xml_status(0) * 100 + xml_error_column(0), 706);
  ASSERT_NE(load(0, "<?xml version=\"1.0\" encoding=\"KOI8-R\"?><a/>"), 0);
  EXPECT_EQ(xml_status(0), 18);  // unknown encoding

  ASSERT_EQ(load(3, "<keep/>"), 1);
  EXPECT_EQ(load(3, ""), 0);
  EXPECT_EQ(xml_root_node(3), nullptr);  // the failed load leaves no document under 3
  EXPECT_EQ(xml_load(AnyNumber, u"") + xml_load(AnyNumber, upath("missing.xml")), 0);
  EXPECT_EQ(xml_load(AnyNumber, string_from_utf8(dir)), 0);
}

}  // namespace
