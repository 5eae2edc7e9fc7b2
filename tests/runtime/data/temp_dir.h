// A scratch directory for one test, removed with everything in it afterwards.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

#include "runtime/core/strings.h"

struct TempDir {
  std::string dir;

  TempDir() {
    char pattern[] = "/tmp/tavrel-test-XXXXXX";
    if (!mkdtemp(pattern)) abort();
    dir = pattern;
  }
  ~TempDir() {
    // rm copes with entries whose full path is too long for one system call.
    chmod(dir.c_str(), 0700);
    if (std::system(("rm -rf '" + dir + "'").c_str()) != 0) abort();
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string path(const std::string& name) const { return dir + "/" + name; }
  String upath(const std::string& name) const { return string_from_utf8(path(name)); }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};
