// Hostile, large and broken input must not crash, hang or exhaust the stack.
#include <random>

#include "xml_test_support.h"

namespace {

using XmlHostile = XmlTest;

std::string repeat(const std::string& s, size_t n) {
  std::string out;
  while (n--) out += s;
  return out;
}

TEST_F(XmlHostile, DeepNestingEntitiesAndManyStrings) {
  const size_t depth = 300000;
  ASSERT_NE(load(0, repeat("<a>", depth) + "x" + repeat("</a>", depth)), 0);
  size_t levels = 1;
  for (XmlNode* node = xml_main_element(0); xml_first_child(node); node = xml_first_child(node)) ++levels;
  EXPECT_EQ(levels, depth);
  xml_format(0, 129, 2);
  ASSERT_EQ(xml_save(0, upath("deep.xml"), 0), 1);
  ASSERT_NE(xml_load(1, upath("deep.xml")), 0);
  EXPECT_EQ(xml_status(1), 0);

  std::string dtd = "<!DOCTYPE lolz [<!ENTITY lol0 \"lol\">";
  for (int i = 1; i <= 9; ++i)
    dtd += "<!ENTITY lol" + std::to_string(i) + " \"" + repeat("&lol" + std::to_string(i - 1) + ";", 10) + "\">";
  ASSERT_NE(load(0, dtd + "]><lolz>&lol9;</lolz>"), 0);
  EXPECT_EQ(xml_node_text(xml_main_element(0)), u"&lol9;");  // kept as written, not expanded

  // Texts stored as UTF-16 need twice the file's bytes: they overflow the
  // first string block into further ones; a long name is stored on its own.
  const std::string name(3000, 'n');
  ASSERT_NE(load(0, "<" + name + ">" + repeat("<e>0123456789abcdef</e>", 60000) + "<e>last</e></" + name + ">"), 0);
  EXPECT_EQ(xml_node_name(xml_main_element(0)), string_from_utf8(name));
  int count = 0;
  XmlNode* e = xml_first_child(xml_main_element(0));
  for (; xml_next_sibling(e); e = xml_next_sibling(e)) count += xml_node_text(e) == u"0123456789abcdef";
  EXPECT_EQ(count, 60000);
  EXPECT_EQ(xml_node_text(e), u"last");
}

TEST_F(XmlHostile, DamagedFilesLoadFormatAndSave) {
  const std::string good =
      "<?xml version=\"1.0\"?>\r\n<!DOCTYPE p [<!ENTITY e \"x\">]>\r\n<players a=\"&e;\">\r\n"
      "  <player id='1'><name>An&amp;na</name><!-- c --><![CDATA[d]]><?pi x?></player>\r\n</players>\r\n";
  std::mt19937 random(1234);
  for (int round = 0; round < 200; ++round) {
    std::string bytes = good;
    for (int i = 1 + random() % 6; i > 0; --i) {
      size_t at = random() % bytes.size();
      switch (random() % 3) {
        case 0: bytes[at] = static_cast<char>(random()); break;
        case 1: bytes.erase(at, 1 + random() % 8); break;
        default: bytes.insert(at, 1, "<>&;\"'/[]!?-\r\n\0"[random() % 15]); break;
      }
      if (bytes.empty()) bytes = "<";
    }
    int doc = load(AnyNumber, bytes);
    ASSERT_NE(doc, 0) << round;
    xml_format(doc, 255, 3);
    ASSERT_EQ(xml_save(doc, upath("damaged.xml"), SaveWithBom), 1) << round;
    xml_free(doc);
  }
}

}  // namespace
