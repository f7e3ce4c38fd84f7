// Feeds every file of the fuzz corpus folders given on the command line to
// the fuzz entry, as a plain test program (no libFuzzer needed).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  std::size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    for (const auto& item : std::filesystem::directory_iterator(argv[i])) {
      if (!item.is_regular_file()) continue;
      std::ifstream in(item.path(), std::ios::binary);
      const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      ++count;
    }
  }
  std::printf("%zu corpus files read\n", count);
  return count > 0 ? 0 : 1;
}
