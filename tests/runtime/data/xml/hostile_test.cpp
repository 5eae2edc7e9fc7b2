// Hostile and broken input: deep nesting, entity expansion, huge names and
// texts, files that change while they are read, random damage.
#include <unistd.h>

#include <chrono>
#include <random>

#include "runtime/data/xml_internal.h"
#include "xml_test_support.h"

namespace {

class XmlHostile : public XmlTest {
 protected:
  void TearDown() override {
    XmlLoadBeforeRead = nullptr;
    XmlTest::TearDown();
  }
};

std::string repeat(const std::string& s, size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

TEST_F(XmlHostile, DeepNestingIsLoadedFormattedSavedAndFreed) {
  const size_t depth = 300000;
  ASSERT_NE(load(0, repeat("<a>", depth) + "x" + repeat("</a>", depth)), 0);
  EXPECT_EQ(xml_status(0), 0);
  XmlNode* node = xml_main_element(0);
  size_t levels = 0;
  while (XmlNode* child = xml_first_child(node)) {
    node = child;
    ++levels;
  }
  EXPECT_EQ(levels, depth - 1);
  EXPECT_EQ(xml_node_text(node), u"x");
  xml_format(0, 129, 2);
  ASSERT_EQ(xml_save(0, upath("deep.xml"), 0), 1);
  ASSERT_NE(xml_load(1, upath("deep.xml")), 0);
  EXPECT_EQ(xml_status(1), 0);
  xml_free(0);
  xml_free(1);

  // Unclosed: the partial tree is kept and freed without trouble.
  ASSERT_NE(load(0, repeat("<a>", depth)), 0);
  EXPECT_NE(xml_status(0), 0);
  EXPECT_NE(xml_main_element(0), nullptr);
  ASSERT_EQ(xml_save(0, upath("open.xml"), 0), 1);
}

TEST_F(XmlHostile, EntityExpansionIsRefused) {
  std::string dtd = "<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
  dtd += "<!ENTITY lol1 \"" + repeat("&lol;", 10) + "\">\n";
  for (int i = 2; i <= 9; ++i)
    dtd += "<!ENTITY lol" + std::to_string(i) + " \"" + repeat("&lol" + std::to_string(i - 1) + ";", 10) +
           "\">\n";
  dtd += "]>\n";
  auto start = std::chrono::steady_clock::now();
  // In element content the reference is kept as written.
  ASSERT_NE(load(0, dtd + "<lolz>&lol9;</lolz>"), 0);
  EXPECT_EQ(xml_node_text(xml_main_element(0)), u"&lol9;");
  // In an attribute value expat expands, and its amplification limit stops it.
  ASSERT_NE(load(0, dtd + "<lolz a=\"&lol9;\"/>"), 0);
  EXPECT_NE(xml_status(0), 0);
  EXPECT_FALSE(xml_error_message(0).empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST_F(XmlHostile, HugeNamesTextsAndAttributes) {
  std::string name(1 << 20, 'n');
  std::string text(8 << 20, 't');
  std::string attributes;
  for (int i = 0; i < 40000; ++i) attributes += " a" + std::to_string(i) + "=\"v\"";
  ASSERT_NE(load(0, "<" + name + attributes + ">" + text + "</" + name + ">"), 0);
  EXPECT_EQ(xml_status(0), 0);
  XmlNode* root = xml_main_element(0);
  EXPECT_EQ(xml_node_name(root).size(), name.size());
  EXPECT_EQ(xml_node_text(root).size(), text.size());
  int count = 0;
  xml_attributes_begin(root);
  while (xml_attributes_next(root)) ++count;
  EXPECT_EQ(count, 40000);
  xml_format(0, 129, 2);
  ASSERT_EQ(xml_save(0, upath("big.xml"), 0), 1);
}

// The file being read, changed by the hooks below between two reads.
std::string ChangingFile;
off_t TruncateAt = -1;

void truncate_while_reading(FILE*, int64_t bytes_read) {
  if (bytes_read > 0 && TruncateAt >= 0) {
    if (truncate(ChangingFile.c_str(), TruncateAt) != 0) ADD_FAILURE() << "truncate";
    TruncateAt = -1;
  }
}

void grow_while_reading(FILE*, int64_t bytes_read) {
  if (bytes_read > 0) {
    FILE* again = fopen(ChangingFile.c_str(), "ab");
    fputs("<extra/>", again);
    fclose(again);
  }
}

TEST_F(XmlHostile, FileChangingWhileItIsRead) {
  std::string body = "<list>\n" + repeat("  <item>some text</item>\n", 3000) + "</list>\n";
  ASSERT_GT(body.size(), 3 * 16384u);
  ChangingFile = path("in.xml");
  // The file shrinks after the first chunk: what was read ends the file.
  XmlLoadBeforeRead = truncate_while_reading;
  TruncateAt = 20000;
  int loaded = load(0, body);
  ASSERT_NE(loaded, 0);
  EXPECT_NE(xml_status(0), 0);
  int items = 0;
  for (XmlNode* c = xml_first_child(xml_main_element(0)); c; c = xml_next_sibling(c)) ++items;
  EXPECT_GT(items, 600);
  EXPECT_LT(items, 801);

  // It shrinks to nothing before the second read.
  TruncateAt = 0;
  loaded = load(0, body);
  ASSERT_NE(loaded, 0);
  EXPECT_NE(xml_status(0), 0);
  EXPECT_NE(xml_main_element(0), nullptr);

  // It grows: only the size taken at opening is read.
  XmlLoadBeforeRead = grow_while_reading;
  loaded = load(0, body);
  XmlLoadBeforeRead = nullptr;
  ASSERT_NE(loaded, 0);
  EXPECT_EQ(xml_status(0), 0);
  EXPECT_EQ(xml_node_name(xml_main_element(0)), u"list");
}

TEST_F(XmlHostile, DamagedFilesDoNotCrash) {
  std::string good =
      "<?xml version=\"1.0\"?>\r\n<!DOCTYPE p [<!ENTITY e \"x\">]>\r\n<players a=\"&e;\">\r\n"
      "  <player id='1'><name>An&amp;na</name><!-- c --><![CDATA[d]]><?pi x?></player>\r\n"
      "</players>\r\n";
  std::mt19937 random(1234);
  for (int round = 0; round < 250; ++round) {
    std::string bytes = good;
    int changes = 1 + random() % 6;
    for (int i = 0; i < changes; ++i) {
      size_t at = random() % bytes.size();
      switch (random() % 3) {
        case 0: bytes[at] = static_cast<char>(random()); break;
        case 1: bytes.erase(at, 1 + random() % 8); break;
        default: bytes.insert(at, 1, "<>&;\"'/[]!?-\r\n\0"[random() % 15]); break;
      }
      if (bytes.empty()) bytes = "<";
    }
    int doc = load(AnyNumber, bytes);
    if (!doc) continue;
    xml_format(doc, 255, 3);
    xml_save(doc, upath("damaged.xml"), SaveWithBom);
    xml_free(doc);
  }
}

}  // namespace
