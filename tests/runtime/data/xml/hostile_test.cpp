// Hostile and broken input must not crash, hang or exhaust the stack.
#include <chrono>
#include <random>

#include "xml_test_support.h"

namespace {

using XmlHostile = XmlTest;

std::string repeat(const std::string& s, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

TEST_F(XmlHostile, DeepNesting) {
  const size_t depth = 300000;
  ASSERT_NE(load(0, repeat("<a>", depth) + "x" + repeat("</a>", depth)), 0);
  EXPECT_EQ(xml_status(0), 0);
  XmlNode* node = xml_main_element(0);
  size_t levels = 1;
  for (; xml_first_child(node); ++levels) node = xml_first_child(node);
  EXPECT_EQ(levels, depth);
  EXPECT_EQ(xml_node_text(node), u"x");
  xml_format(0, 129, 2);
  ASSERT_EQ(xml_save(0, upath("deep.xml"), 0), 1);
  ASSERT_NE(xml_load(1, upath("deep.xml")), 0);
  EXPECT_EQ(xml_status(1), 0);
  ASSERT_NE(load(0, repeat("<a>", depth)), 0);  // unclosed: the partial tree
  EXPECT_NE(xml_status(0), 0);
  ASSERT_EQ(xml_save(0, upath("open.xml"), 0), 1);
}

TEST_F(XmlHostile, EntityExpansionAndHugeItems) {
  std::string dtd = "<!DOCTYPE lolz [<!ENTITY lol0 \"lol\">";
  for (int i = 1; i <= 9; ++i)
    dtd += "<!ENTITY lol" + std::to_string(i) + " \"" + repeat("&lol" + std::to_string(i - 1) + ";", 10) + "\">";
  dtd += "]>";
  auto start = std::chrono::steady_clock::now();
  ASSERT_NE(load(0, dtd + "<lolz>&lol9;</lolz>"), 0);
  EXPECT_EQ(xml_node_text(xml_main_element(0)), u"&lol9;");  // kept as written
  ASSERT_NE(load(0, dtd + "<lolz a=\"&lol9;\"/>"), 0);  // expanded, and expat stops it
  EXPECT_NE(xml_status(0), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));

  std::string name(1 << 20, 'n'), text(8 << 20, 't'), attributes;
  for (int i = 0; i < 40000; ++i) attributes += " a" + std::to_string(i) + "=\"v\"";
  ASSERT_NE(load(0, "<" + name + attributes + ">" + text + "</" + name + ">"), 0);
  EXPECT_EQ(xml_status(0), 0);
  EXPECT_EQ(xml_node_name(xml_main_element(0)).size(), name.size());
  EXPECT_EQ(xml_node_text(xml_main_element(0)).size(), text.size());
  int count = 0;
  for (xml_attributes_begin(xml_main_element(0)); xml_attributes_next(xml_main_element(0));) ++count;
  EXPECT_EQ(count, 40000);
  xml_format(0, 129, 2);
  ASSERT_EQ(xml_save(0, upath("big.xml"), 0), 1);
}

TEST_F(XmlHostile, DamagedFiles) {
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
    xml_format(doc, 255, 3);
    xml_save(doc, upath("damaged.xml"), SaveWithBom);
    xml_free(doc);
  }
}

}  // namespace
