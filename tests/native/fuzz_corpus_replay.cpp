// Feeds every file of the corpus folders given on the command line to a
// fuzz target's entry, so that its committed corpus is replayed as an
// ordinary test by any compiler (no libFuzzer needed). Linked once per fuzz
// target. Fails when a folder is missing or no input was found.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    std::filesystem::directory_iterator folder(argv[i], error);
    if (error) {
      std::fprintf(stderr, "cannot read the corpus folder %s: %s\n", argv[i], error.message().c_str());
      return 1;
    }
    for (const auto& item : folder) {
      if (!item.is_regular_file()) continue;
      std::ifstream in(item.path(), std::ios::binary);
      const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      ++replayed;
    }
  }
  std::printf("replayed %zu inputs\n", replayed);
  return replayed > 0 ? 0 : 1;
}
