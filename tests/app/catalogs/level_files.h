// Hand-written level and catalog files in a temporary program directory, for
// the tests of the level loader, the catalogs and the shell.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/shell/shell.h"
#include "runtime/data/strings.h"
#include "runtime/toolkit/runtime.h"

// The runtime layer as the program starts it (once per process; a second call
// does nothing).
inline void ensure_runtime() {
  static int argc = 1;
  static char name[] = "test_app";
  static char* args[] = {name, nullptr};
  static char** argv = args;
  runtime_init(&argc, &argv);
}

// A temporary directory with "pics" and "players" inside, made ProgramDir
// while it lives (the previous ProgramDir comes back afterwards).
class TempProgramDir {
 public:
  TempProgramDir() {
    ensure_runtime();
    char pattern[] = "/tmp/tavrel-app-XXXXXX";
    char* made = mkdtemp(pattern);
    path_ = made ? made : "/tmp";
    path_ += "/";
    std::filesystem::create_directories(path_ + "pics");
    std::filesystem::create_directories(path_ + "players");
    saved_ = ProgramDir;
    ProgramDir = string_from_utf8(path_);
  }
  ~TempProgramDir() {
    ProgramDir = saved_;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempProgramDir(const TempProgramDir&) = delete;
  TempProgramDir& operator=(const TempProgramDir&) = delete;

  const std::string& path() const { return path_; }

  void write(const std::string& name, const std::string& content) const {
    std::ofstream out(path_ + name, std::ios::binary | std::ios::trunc);
    out << content;
  }
  void remove(const std::string& name) const { std::filesystem::remove(path_ + name); }

  // A 24-bit BMP of the given size (decoders recognise it whatever its name).
  void write_picture(const std::string& name, int width, int height) const {
    int row = (width * 3 + 3) / 4 * 4;
    int image_size = row * height;
    std::vector<uint8_t> bytes(54 + image_size, 0);
    auto put32 = [&](int at, uint32_t v) {
      for (int i = 0; i < 4; i++) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, 54 + image_size);
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    bytes[26] = 1;
    bytes[28] = 24;
    put32(34, image_size);
    for (int i = 54; i < 54 + image_size; i++) bytes[i] = 0x80;
    std::ofstream out(path_ + name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

 private:
  std::string path_;
  String saved_;
};
