#include "tools/payload_packer/archive_packing.h"

#include <sys/stat.h>

#include <boost/crc.hpp>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "payload/unicode_text.h"
#include "tools/payload_packer/bzip2_file_writer.h"

namespace qw {
namespace {

// The source, opened for reading once it is known to be a regular file:
// opening a FIFO waits for a writer, and a device or folder never gives
// the contents of a file.
std::ifstream OpenSource(const ManifestEntry& entry) {
  struct stat status;
  if (::stat(entry.sourceFile.c_str(), &status) != 0)
    throw std::runtime_error("cannot read source " + entry.sourceFile + ": " + std::strerror(errno));
  if (!S_ISREG(status.st_mode))
    throw std::runtime_error("source " + entry.sourceFile + " is not a regular file");
  std::ifstream in(entry.sourceFile, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read source " + entry.sourceFile);
  return in;
}

// Size and CRC-32 of the file, read in one pass.
void Measure(const ManifestEntry& entry, DirectoryRecord& record) {
  std::ifstream in = OpenSource(entry);
  boost::crc_32_type crc;
  char buffer[64 * 1024];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    crc.process_bytes(buffer, static_cast<std::size_t>(in.gcount()));
    record.size += static_cast<std::uint64_t>(in.gcount());
  }
  if (in.bad()) throw std::runtime_error("cannot read source " + entry.sourceFile);
  record.crc = crc.checksum();
}

std::string AtLine(const ManifestEntry& entry, const std::string& message) {
  return "manifest line " + std::to_string(entry.line) + ": " + message;
}

// A stream of input per bzip2 block of 900 k (899,981 bytes after the
// first run-length coding): the reader decodes the streams side by side.
constexpr std::size_t kStreamInput = 899000;

}  // namespace

std::uint64_t WriteArchive(const std::string& output, const std::vector<DirectoryRecord>& records,
                           const ContentWriter& content) {
  const std::string header = EncodeHeader(records);
  if (header.size() > kMaximumDataOffset)
    throw std::runtime_error("the directory is larger than the reader accepts");
  Bzip2FileWriter writer(output, kStreamInput);
  writer.Write(header.data(), header.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    std::uint64_t written = 0;
    content(i, [&](const char* data, std::size_t size) {
      writer.Write(data, size);
      written += size;
    });
    if (written != records[i].size)
      throw std::runtime_error("entry " + std::to_string(i) + " changed size while packing");
  }
  writer.Commit();
  return writer.compressedBytes();
}

std::uint64_t PackManifest(const std::vector<ManifestEntry>& entries, const std::string& output) {
  std::vector<DirectoryRecord> records(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    try {
      Measure(entries[i], records[i]);
    } catch (const std::runtime_error& error) {
      throw std::runtime_error(AtLine(entries[i], error.what()));
    }
    records[i].source = Utf16FromWide(WideFromUtf8(entries[i].sourceText));
    records[i].destination = Utf16FromWide(entries[i].destination);
    records[i].kind = entries[i].kind;
  }
  return WriteArchive(output, records, [&](std::size_t i, const auto& write) {
    std::ifstream in;
    try {
      in = OpenSource(entries[i]);
    } catch (const std::runtime_error& error) {
      throw std::runtime_error(AtLine(entries[i], error.what()));
    }
    boost::crc_32_type crc;
    char buffer[64 * 1024];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
      crc.process_bytes(buffer, static_cast<std::size_t>(in.gcount()));
      write(buffer, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad() || crc.checksum() != records[i].crc)
      throw std::runtime_error(AtLine(entries[i], "source " + entries[i].sourceFile + " changed while packing"));
  });
}

}  // namespace qw
