#include "test_archive.h"

#include <bzlib.h>

#include <boost/crc.hpp>
#include <fstream>
#include <stdexcept>

#include "payload/wide_path.h"

namespace qw::test {

std::uint32_t Crc32(const std::string& bytes) {
  boost::crc_32_type crc;
  crc.process_bytes(bytes.data(), bytes.size());
  return crc.checksum();
}

std::uint32_t BitwiseCrc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::vector<DirectoryRecord> Records(const std::vector<TestFile>& files) {
  std::vector<DirectoryRecord> records;
  for (const TestFile& file : files)
    records.push_back({file.source, file.destination, file.kind, file.content.size(), Crc32(file.content)});
  return records;
}

std::string ArchiveBytes(const std::vector<TestFile>& files) {
  std::string bytes = EncodeHeader(Records(files));
  for (const TestFile& file : files) bytes += file.content;
  return bytes;
}

std::string Bzip2(const std::string& bytes) {
  std::string out(bytes.size() + bytes.size() / 100 + 1024, '\0');
  unsigned int length = static_cast<unsigned int>(out.size());
  if (BZ2_bzBuffToBuffCompress(&out[0], &length, const_cast<char*>(bytes.data()),
                               static_cast<unsigned int>(bytes.size()), 9, 0, 0) != BZ_OK)
    throw std::runtime_error("bzip2 compression failed");
  out.resize(length);
  return out;
}

std::string ReadFile(const boost::filesystem::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const boost::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path.string(), std::ios::binary);
  out << bytes;
}

ScratchFolder::ScratchFolder()
    : path_(boost::filesystem::temp_directory_path() /
            boost::filesystem::unique_path("qw-payload-%%%%-%%%%-%%%%")) {
  boost::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  boost::system::error_code ignored;
  // Read-only leftovers of a test must not keep the folder.
  for (boost::filesystem::recursive_directory_iterator it(path_, ignored), end; it != end; it.increment(ignored))
    boost::filesystem::permissions(it->path(), boost::filesystem::add_perms | boost::filesystem::owner_write, ignored);
  boost::filesystem::remove_all(path_, ignored);
}

std::wstring ScratchFolder::wide() const { return PathText(path_); }

}  // namespace qw::test
