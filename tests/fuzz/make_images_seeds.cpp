// Writes the seed corpus of the image fuzzer into the folder given: the media
// tests' sample BMP and PNG pictures and a few small JPEG files.
#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/media/media_files.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::filesystem::create_directories(argv[1]);
  Bytes pattern(256);
  for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(i * 7);
  std::vector<Bytes> seeds = {make_jpeg(8, 8, 1, pattern), make_jpeg(8, 8, 3, pattern), make_jpeg(8, 8, 4, pattern)};
  for (const SamplePicture& sample : sample_pictures()) seeds.push_back(sample.file);
  for (size_t i = 0; i < seeds.size(); ++i)
    std::ofstream(std::string(argv[1]) + "/seed-" + std::to_string(i), std::ios::binary)
        .write(reinterpret_cast<const char*>(seeds[i].data()), static_cast<std::streamsize>(seeds[i].size()));
  return 0;
}
