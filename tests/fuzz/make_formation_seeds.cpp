// Writes the seed corpus of the formation fuzzer: small hand-built files of
// both formats. Usage: make_formation_seeds <folder>
#include <filesystem>
#include <fstream>

#include "app/formation/formation_bytes.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::filesystem::create_directories(argv[1]);
  FileBytes empty, full, old;
  empty.header(Placeholder + u"Varn.gxml", 0, 0, 0, 100).inscriptions();
  full.header(u"/l.gxml", 1, 1, 1, 50).piece(0, 1, 2, 0, {1}, 7).trail(3, 4, 1).piece(1, 5, 6, 1).piece(0, 7, 8, 2, {1});
  full.inscriptions({{1, u"R\r\nI"}, {2, u"\U0001F600"}});
  old.text(u"/l.gxml", true).i32(1).i32(1).u8(40).piece(0, 1, 2).piece(1, 3, 4, 1).inscriptions({{1, u"x"}});
  for (const auto& [name, file] : {std::pair{"empty.tvf", empty}, {"full.tvf", full}, {"old.gls", old}})
    std::ofstream(std::string(argv[1]) + "/" + name, std::ios::binary) << file.s;
}
