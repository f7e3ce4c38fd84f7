#include "tools/payload_packer/archive_inspection.h"

#include <boost/crc.hpp>
#include <boost/iostreams/filter/bzip2.hpp>

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "payload/archive_header_buffer.h"
#include "payload/decompression_pipeline.h"
#include "payload/unicode_text.h"
#include "tools/payload_packer/payload_entry_rules.h"

namespace qw {
namespace {

// Follows the decompressed bytes: buffers the header, then checks each
// entry's bytes against its CRC.
class ArchiveChecker {
 public:
  explicit ArchiveChecker(ArchiveSummary& summary, bool headerOnly)
      : summary_(summary), headerOnly_(headerOnly) {}

  struct HeaderRead {};

  std::size_t Take(const char* data, std::size_t size) {
    summary_.decompressedBytes += size;
    if (!headerDone_) return TakeHeader(data, size);
    std::size_t used = 0;
    while (used < size) {
      SkipEmptyEntries();
      if (entry_ >= summary_.records.size())
        throw std::runtime_error("data follows the last entry");
      const std::size_t k = static_cast<std::size_t>(std::min<std::uint64_t>(size - used, remaining_));
      crc_.process_bytes(data + used, k);
      remaining_ -= k;
      used += k;
      if (remaining_ == 0) EndEntry();
    }
    return size;
  }

  void Finish() {
    if (!headerDone_) throw std::runtime_error("the archive ends inside its header");
    SkipEmptyEntries();
    if (entry_ < summary_.records.size())
      throw std::runtime_error("the archive ends inside entry " + std::to_string(entry_));
  }

 private:
  std::size_t TakeHeader(const char* data, std::size_t size) {
    std::size_t k = 0;
    try {
      k = header_.Take(data, size);
    } catch (const std::system_error&) {
      const std::uint64_t offset = header_.DataOffset();
      if (header_.DataOffsetRead() && !IsPlausibleDataOffset(offset))
        throw std::runtime_error("implausible data offset " + std::to_string(offset));
      throw;
    }
    if (header_.Complete()) {
      summary_.dataOffset = header_.DataOffset();
      summary_.records = header_.TakeRecords();
      headerDone_ = true;
      if (headerOnly_) throw HeaderRead{};
      StartEntry();
    }
    summary_.decompressedBytes -= size - k;
    return k;
  }

  void StartEntry() {
    crc_.reset();
    remaining_ = entry_ < summary_.records.size() ? summary_.records[entry_].size : 0;
  }

  void SkipEmptyEntries() {
    while (entry_ < summary_.records.size() && remaining_ == 0) EndEntry();
  }

  void EndEntry() {
    const DirectoryRecord& record = summary_.records[entry_];
    if (crc_.checksum() != record.crc)
      throw std::runtime_error("entry " + std::to_string(entry_) + ": CRC-32 mismatch");
    ++entry_;
    StartEntry();
  }

  ArchiveSummary& summary_;
  bool headerOnly_;
  ArchiveHeaderBuffer header_;
  bool headerDone_ = false;
  std::size_t entry_ = 0;
  std::uint64_t remaining_ = 0;
  boost::crc_32_type crc_;
};

ArchiveSummary Inspect(const std::string& path, bool headerOnly) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  ArchiveSummary summary;
  ArchiveChecker checker(summary, headerOnly);
  try {
    summary.compressedBytes =
        Decompress(in, [&](const char* data, std::size_t size) { return checker.Take(data, size); });
    checker.Finish();
  } catch (const ArchiveChecker::HeaderRead&) {
  } catch (const boost::iostreams::bzip2_error& error) {
    throw std::runtime_error(std::string("not a sound bzip2 stream (") + error.what() + ")");
  } catch (const std::system_error&) {
    throw std::runtime_error("malformed archive header");
  }
  return summary;
}

// The installer's own test of each entry, then the rules the packer
// applies to a manifest, so that an archive made otherwise is held to both.
void CheckEntries(const std::vector<DirectoryRecord>& records) {
  PayloadEntryRules rules;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::string at = "entry " + std::to_string(i) + ": ";
    if (const char* fault = DirectoryRecordFault(records[i])) throw std::runtime_error(at + fault);
    const std::wstring destination = WideFromUtf16(records[i].destination);
    const std::wstring name = SourceFileName(WideFromUtf16(records[i].source));
    try {
      rules.Check(records[i].kind, destination, name, static_cast<int>(i), "entry");
    } catch (const std::runtime_error& error) {
      throw std::runtime_error(at + error.what());
    }
  }
}

}  // namespace

ArchiveSummary VerifyArchiveFile(const std::string& path) {
  ArchiveSummary summary = Inspect(path, false);
  CheckEntries(summary.records);
  const std::uint64_t expected = ExpectedLength(summary.dataOffset, summary.records);
  if (expected != summary.decompressedBytes)
    throw std::runtime_error("decompressed length " + std::to_string(summary.decompressedBytes) +
                             " differs from the " + std::to_string(expected) + " the header gives");
  return summary;
}

ArchiveSummary ReadArchiveDirectory(const std::string& path) { return Inspect(path, true); }

}  // namespace qw
