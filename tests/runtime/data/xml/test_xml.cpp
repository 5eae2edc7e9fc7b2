// XML documents: loading (tree, text model, line ends, encodings, errors,
// hostile input), building, formatting and saving.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "runtime/core/objects.h"
#include "runtime/data/xml.h"
#include "support/temp_dir.h"

namespace {

// Each test gets a fresh directory and leaves no document behind.
class Xml : public ::testing::Test, protected TempDir {
 protected:
  void TearDown() override { xml_release_all(); }
  // Loads bytes written to a file as document number.
  int load(int number, const std::string& bytes) {
    write("in.xml", bytes);
    return xml_load(number, upath("in.xml"));
  }
};

// The children of node as "kind name 'text' @offset;" items.
std::string children_of(XmlNode* node) {
  std::string out;
  for (XmlNode* c = xml_first_child(node); c; c = xml_next_sibling(c))
    out += std::to_string(xml_node_kind(c)) + " " + string_to_utf8(xml_node_name(c)) + " '" +
           string_to_utf8(xml_node_text(c)) + "' @" + std::to_string(xml_node_text_offset(c)) + ";";
  return out;
}

// (Attributes are read by the level loader's tests.)
TEST_F(Xml, LineEndsEncodingTextModelAndComments) {
  const std::string long_line(20000, 'x');  // the first line end lies in the second chunk
  const struct { std::string bytes; int style; String text; } cases[] = {
      {"<t>one\r\ntwo</t>\r\n", LineEndCrLf, u"one\r\ntwo"},
      {"<t>one\rtwo</t>", LineEndCr, u"one\rtwo"},
      {"<t>" + long_line + "\r\ny</t>", LineEndCrLf, string_from_utf8(long_line) + u"\r\ny"},
      {"<t>x</t>\n", LineEndUnknown, u"x"},
      {"<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><t>\xE4\n</t>", LineEndLf, u"\u00e4\n"}};
  for (const auto& c : cases) {
    ASSERT_NE(load(0, c.bytes), 0);
    EXPECT_EQ(xml_status(0) * 100 + xml_line_end_style(0), c.style) << c.bytes.substr(0, 12);
    EXPECT_EQ(xml_node_text(xml_main_element(0)), c.text);
  }
  EXPECT_EQ(xml_encoding(0), XmlEncodingLatin1);

  ASSERT_NE(load(0, "<a>x<b/>yz<!--c--><?p d?>w<![CDATA[<q>]]>v<tile_x> 32 </tile_x></a>"), 0);
  EXPECT_EQ(xml_node_text(xml_main_element(0)), u"xyzwv");
  EXPECT_EQ(children_of(xml_main_element(0)), "1 b '' @1;2  'c' @2;5 p 'd' @0;3  '<q>' @1;1 tile_x ' 32 ' @1;");

}

TEST_F(Xml, MalformedFilesGiveWhatWasReadAndNoFileGivesNoDocument) {
  int handle = load(AnyNumber, "<players>\n  <player>\n    <name>Anna</name>\n    <id>1");
  ASSERT_NE(handle, 0);
  EXPECT_NE(xml_status(handle), 0);
  EXPECT_EQ(xml_error_line(handle) * 100 + xml_error_column(handle), 410);
  EXPECT_EQ(children_of(xml_first_child(xml_main_element(handle))), "1 name 'Anna' @5;1 id '1' @5;");
  ASSERT_NE(load(0, "<a>\n<b></c>\n</a>"), 0);
  EXPECT_EQ(string_to_utf8(xml_error_message(0)) + std::to_string(xml_error_column(0)), "mismatched tag6");

  ASSERT_EQ(load(3, "<keep/>"), 1);
  EXPECT_EQ(load(3, "") + (xml_root_node(3) != nullptr), 0);  // the failed load leaves no document under 3
  EXPECT_EQ(xml_load(AnyNumber, u"") + xml_load(AnyNumber, upath("missing.xml")) + xml_load(AnyNumber, upath("")), 0);
}

// The document the player icon dialog builds: per player name, id, pic, comment.
int build_players(const std::vector<std::vector<String>>& players) {
  int doc = xml_create(AnyNumber);
  XmlNode* root = xml_add_element(xml_root_node(doc), u"players");
  for (const auto& p : players) {
    XmlNode* player = xml_add_element(root, u"player");
    int i = 0;
    for (const char16_t* field : {u"name", u"id", u"pic", u"comment"})
      xml_set_node_text(xml_add_element(player, field), p[i++]);
  }
  return doc;
}

TEST_F(Xml, PlayersFileIsWrittenByteForByteAndEscapedByContext) {
  int doc = build_players({{u"Anna  Berg", u"1", u"anna.png", u"Line one\n\n   Line two"},
                           {u"Bj\u00f6rn \"B\" \U0001F600", u"2", u"", u"Fish & chips <3"}});
  xml_format(doc, FormatCrLf | FormatIndent, 2);
  ASSERT_EQ(xml_save(doc, upath("players.xml"), 0), 1);
  // Written out by hand: declaration, an empty line, CR LF line ends, two
  // spaces per level, the empty-element form for an empty text, a text with
  // line ends on indented lines of its own.
  EXPECT_EQ(read("players.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<players>\r\n"
            "  <player>\r\n    <name>Anna Berg</name>\r\n    <id>1</id>\r\n    <pic>anna.png</pic>\r\n"
            "    <comment>\r\n      Line one\r\n      Line two\r\n    </comment>\r\n  </player>\r\n"
            "  <player>\r\n    <name>Bj\xC3\xB6rn \"B\" \xF0\x9F\x98\x80</name>\r\n    <id>2</id>\r\n    <pic/>\r\n"
            "    <comment>Fish &amp; chips &lt;3</comment>\r\n  </player>\r\n</players>\r\n");

  const std::string source = "<a x=\"&lt;&gt;&amp;&apos;&quot;&#10;&#13;&#9;z\">&lt;b&gt; &amp; 'q' \"d\""
                             "<!--<&>--><![CDATA[<&>]]><?p <&>?></a>";
  ASSERT_NE(load(0, source), 0);
  ASSERT_EQ(xml_save(0, upath("out.xml"), SaveNoDeclaration), 1);
  EXPECT_EQ(read("out.xml"), source);
}

TEST_F(Xml, FailedSaveKeepsTheOldFile) {
  const std::string old_content = "<players><player><name>Old</name></player></players>";
  write("players.xml", old_content);
  chmod(path("players.xml").c_str(), 0666);  // for the child without root rights
  chmod(dir.c_str(), 0777);
  int doc = build_players(std::vector<std::vector<String>>(500, {u"Player", u"7", u"p.png", u"A comment"}));
  xml_format(doc, 129, 2);
  EXPECT_TRUE(in_child(4096, [&] { return xml_save(doc, upath("players.xml"), 0) == 0; }));
  EXPECT_EQ(read("players.xml"), old_content);
  EXPECT_EQ(xml_save(doc, upath("none/players.xml"), 0) + xml_save(doc, u"", 0) + xml_save(99, upath("x.xml"), 0), 0);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no temporary file left
  // A save that succeeds replaces it.
  EXPECT_TRUE(in_child(RLIM_INFINITY, [&] { return xml_save(doc, upath("players.xml"), 0) == 1; }));
  EXPECT_NE(read("players.xml").find("<id>7</id>"), std::string::npos);
}

}  // namespace
