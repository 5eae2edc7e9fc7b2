// Writes the seed corpus of the XML fuzzer: the demo level and catalogs, each
// behind the byte that makes the fuzzer read it as that file, and a damaged
// copy of each. Usage: make_xml_seeds <folder>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::filesystem::create_directories(argv[1]);
  const char* files[] = {"Varn.gxml", "players.xml", "graves.xml", "transports.xml"};
  for (char which = 0; which < 4; which++) {
    std::ifstream in(std::string(TAVREL_DATA_DIR) + files[int(which)], std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string whole = std::string(1, which) + text.str();
    std::ofstream(std::string(argv[1]) + "/" + files[int(which)], std::ios::binary) << whole;
    std::ofstream(std::string(argv[1]) + "/cut-" + files[int(which)], std::ios::binary)
        << whole.substr(0, whole.size() * 2 / 3);
  }
}
