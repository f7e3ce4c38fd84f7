#pragma once
// Archives made in memory for the reader's tests, and a scratch folder that
// removes itself.

#include <boost/filesystem.hpp>

#include <string>
#include <vector>

#include "payload/payload_format.h"

namespace qw::test {

struct TestFile {
  std::u16string source;
  std::u16string destination;
  std::string content;
  std::uint32_t kind = 0;
};

// The decompressed archive of `files`, with correct sizes and CRCs.
std::string ArchiveBytes(const std::vector<TestFile>& files);
// The header alone, as ArchiveBytes writes it.
std::vector<DirectoryRecord> Records(const std::vector<TestFile>& files);
std::uint32_t Crc32(const std::string& bytes);
// The standard reflected CRC-32 computed bit by bit, sharing nothing with
// the CRC code of the reader or the packer.
std::uint32_t BitwiseCrc32(const std::string& bytes);
// One bzip2 stream (900k blocks) of `bytes`.
std::string Bzip2(const std::string& bytes);
std::string ReadFile(const boost::filesystem::path& path);
void WriteFile(const boost::filesystem::path& path, const std::string& bytes);

// A new empty folder under the system's temporary folder, removed with all
// its content when the object goes.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const boost::filesystem::path& path() const { return path_; }
  std::wstring wide() const;

 private:
  boost::filesystem::path path_;
};

}  // namespace qw::test
