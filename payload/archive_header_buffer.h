#pragma once
// Gathers the header of a decompressed payload archive from the first bytes
// of the stream, in chunks of any size: the 8-byte data offset first
// (checked against the bounds the reader accepts), then the rest of the
// header up to that offset in a growable memory stream, then the directory
// decoded from it. The installer's extractor and the packer's inspection
// both read archives through it. It stops at the end of the header; the
// file data is the caller's.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "payload/membuf.h"
#include "payload/payload_format.h"

namespace qw {

class ArchiveHeaderBuffer {
 public:
  ArchiveHeaderBuffer();
  ~ArchiveHeaderBuffer();

  // Takes bytes that follow the ones taken before and returns how many of
  // them belong to the header (fewer than `size` once it is complete; 0
  // after). Throws the "compress" error unexpected_error when the data
  // offset is out of bounds or the directory is malformed (see
  // DecodeHeader); what was taken before stays as it was.
  std::size_t Take(const char* data, std::size_t size);

  // Whether the first 8 bytes were taken, so that DataOffset is known.
  bool DataOffsetRead() const { return dataOffsetRead_; }
  std::uint64_t DataOffset() const { return dataOffset_; }

  // Whether the whole header was taken and decoded.
  bool Complete() const { return complete_; }
  // The directory of a complete header, handed over once.
  std::vector<DirectoryRecord> TakeRecords() { return std::move(records_); }

 private:
  std::unique_ptr<memstream> header_;
  std::uint64_t dataOffset_ = 0;
  bool dataOffsetRead_ = false;
  bool complete_ = false;
  std::vector<DirectoryRecord> records_;
};

}  // namespace qw
