// Runs the fuzz target over every file of the corpus folders given on the
// command line, so the corpus is replayed as an ordinary test by any
// compiler. Exits non-zero when a folder is missing or empty.

#include <boost/filesystem.hpp>

#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const auto& entry : boost::filesystem::directory_iterator(argv[i])) {
      std::ifstream in(entry.path().string(), std::ios::binary);
      const std::string input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
      ++replayed;
    }
  }
  std::cout << "replayed " << replayed << " inputs\n";
  return replayed == 0 ? 1 : 0;
}
