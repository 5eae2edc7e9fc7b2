// Helpers for the XML tests: a scratch directory, test files as bytes, UTF-16
// encodings of test files, child lookup.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
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
  // Number of entries in the scratch directory (no temporary file may be left).
  long entries() const { return std::distance(std::filesystem::directory_iterator(dir), {}); }
};

inline std::string utf16(const String& s, bool big_endian, bool bom) {
  std::string out = bom ? (big_endian ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (char16_t c : s) {
    char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
    out += big_endian ? high : low;
    out += big_endian ? low : high;
  }
  return out;
}

// The n-th child (0-based) of node, or nullptr.
inline XmlNode* child_at(XmlNode* node, int n) {
  XmlNode* c = xml_first_child(node);
  while (c && n-- > 0) c = xml_next_sibling(c);
  return c;
}

// The first child element of node with this name.
inline XmlNode* child_named(XmlNode* node, const String& name) {
  for (XmlNode* c = xml_first_child(node); c; c = xml_next_sibling(c))
    if (xml_node_kind(c) == ElementNode && xml_node_name(c) == name) return c;
  return nullptr;
}

// The children of node as "kind name 'text' @offset;" items.
inline std::string children_of(XmlNode* node) {
  std::string out;
  for (XmlNode* c = xml_first_child(node); c; c = xml_next_sibling(c))
    out += std::to_string(xml_node_kind(c)) + " " + string_to_utf8(xml_node_name(c)) + " '" +
           string_to_utf8(xml_node_text(c)) + "' @" + std::to_string(xml_node_text_offset(c)) + ";";
  return out;
}
