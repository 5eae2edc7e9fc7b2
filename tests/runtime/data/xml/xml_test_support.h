// Helpers for the XML tests: a scratch directory, files as bytes, UTF-16
// encodings of test files.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "runtime/data/strings.h"
#include "runtime/data/xml.h"
#include "runtime/toolkit/objects.h"

// Each test gets a fresh directory and leaves no document behind.
class XmlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tavrel-xml-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    xml_release_all();
    std::error_code ignored;
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(dir, ignored);
  }

  std::string path(const std::string& name) const { return dir + "/" + name; }
  String upath(const std::string& name) const { return string_from_utf8(path(name)); }

  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(path(name), std::ios::binary);
    out << bytes;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Loads bytes written to a file as document number.
  int load(int number, const std::string& bytes, const std::string& name = "in.xml") {
    write(name, bytes);
    return xml_load(number, upath(name));
  }
  // Names of the files in the scratch directory.
  std::string listing() const {
    std::string names;
    for (auto& entry : std::filesystem::directory_iterator(dir))
      names += entry.path().filename().string() + ";";
    return names;
  }

  std::string dir;
};

inline std::string utf16le(const String& s, bool bom) {
  std::string out;
  if (bom) out += "\xFF\xFE";
  for (char16_t c : s) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

inline std::string utf16be(const String& s, bool bom) {
  std::string out;
  if (bom) out += "\xFE\xFF";
  for (char16_t c : s) {
    out += static_cast<char>(c >> 8);
    out += static_cast<char>(c & 0xFF);
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
