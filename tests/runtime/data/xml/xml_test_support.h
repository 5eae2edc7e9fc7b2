// Helpers for the XML tests: a scratch directory, UTF-16 encodings of test
// files, children as text.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "runtime/core/objects.h"
#include "runtime/core/strings.h"
#include "runtime/data/temp_dir.h"
#include "runtime/data/xml.h"

// Each test gets a fresh directory and leaves no document behind.
class XmlTest : public ::testing::Test, protected TempDir {
 protected:
  void TearDown() override { xml_release_all(); }

  // Loads bytes written to a file as document number.
  int load(int number, const std::string& bytes) {
    write("in.xml", bytes);
    return xml_load(number, upath("in.xml"));
  }
};

inline std::string utf16(const String& s, bool big_endian, bool bom) {
  std::string out = bom ? (big_endian ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (char16_t c : s) out += big_endian ? std::string{char(c >> 8), char(c)} : std::string{char(c), char(c >> 8)};
  return out;
}

// The children of node as "kind name 'text' @offset;" items.
inline std::string children_of(XmlNode* node) {
  std::string out;
  for (XmlNode* c = xml_first_child(node); c; c = xml_next_sibling(c))
    out += std::to_string(xml_node_kind(c)) + " " + string_to_utf8(xml_node_name(c)) + " '" +
           string_to_utf8(xml_node_text(c)) + "' @" + std::to_string(xml_node_text_offset(c)) + ";";
  return out;
}
