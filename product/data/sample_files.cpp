// sample_files: writes the data files of the sample product that the
// installer carries. It reads the payload manifest and writes every source
// the manifest takes from its "data/" folder, made up from the file's name
// (product/data/sample_content.h); the product's programs, under "bin/",
// are built by the Windows tree. The same manifest gives the same bytes on
// every build.
//
//   sample_files MANIFEST
//
// Exit status: 0 success, 1 failure (one line on stderr), 2 usage error.

#include <boost/filesystem.hpp>

#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

#include "product/data/sample_content.h"
#include "tools/payload_packer/payload_manifest.h"

namespace {

bool IsDataSource(const std::string& sourceText) {
  return sourceText.compare(0, 5, "data/") == 0 || sourceText.compare(0, 5, "data\\") == 0;
}

void Write(const std::string& path, const std::string& content) {
  boost::filesystem::create_directories(boost::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: sample_files MANIFEST\n";
    return 2;
  }
  try {
    int written = 0;
    for (const qw::ManifestEntry& entry : qw::ReadManifest(argv[1])) {
      if (!IsDataSource(entry.sourceText)) continue;
      const std::string name = boost::filesystem::path(entry.sourceFile).filename().string();
      std::string content;
      if (!qw::sample::MakeSampleContent(name, content))
        throw std::runtime_error(std::string(argv[1]) + ":" + std::to_string(entry.line) +
                                 ": no sample content is known for " + name);
      Write(entry.sourceFile, content);
      ++written;
    }
    if (written == 0) throw std::runtime_error(std::string(argv[1]) + " lists no data file");
  } catch (const std::exception& error) {
    std::cerr << "sample_files: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
