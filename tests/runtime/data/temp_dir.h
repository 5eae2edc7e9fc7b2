// A scratch directory for one test, removed with everything in it afterwards.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "runtime/core/strings.h"

struct TempDir {
  std::string dir;

  TempDir() {
    char pattern[] = "/tmp/tavrel-test-XXXXXX";
    if (!mkdtemp(pattern)) abort();
    dir = pattern;
  }
  ~TempDir() { std::filesystem::remove_all(dir); }

  std::string path(const std::string& name) const { return dir + "/" + name; }
  String upath(const std::string& name) const { return string_from_utf8(path(name)); }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};
