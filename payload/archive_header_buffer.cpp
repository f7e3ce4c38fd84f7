#include "payload/archive_header_buffer.h"

#include <algorithm>
#include <utility>

#include "payload/compress_error.h"

namespace qw {
namespace {

constexpr std::size_t kOffsetBytes = 8;

}  // namespace

ArchiveHeaderBuffer::ArchiveHeaderBuffer() : header_(std::make_unique<memstream>()) {}

ArchiveHeaderBuffer::~ArchiveHeaderBuffer() = default;

std::size_t ArchiveHeaderBuffer::Take(const char* data, std::size_t size) {
  if (complete_) return 0;
  const std::size_t buffered = header_->rdbuf()->size();
  if (buffered < kOffsetBytes) {
    const std::size_t take = std::min(size, kOffsetBytes - buffered);
    header_->write(data, static_cast<std::streamsize>(take));
    if (header_->rdbuf()->size() == kOffsetBytes) {
      dataOffset_ = ReadDataOffset(header_->rdbuf()->data());
      dataOffsetRead_ = true;
      if (!IsPlausibleDataOffset(dataOffset_)) ThrowCompressError(compress_errc::unexpected_error);
    }
    return take;
  }
  const std::size_t take =
      static_cast<std::size_t>(std::min<std::uint64_t>(size, dataOffset_ - buffered));
  if (!header_->write(data, static_cast<std::streamsize>(take)))
    ThrowCompressError(compress_errc::unexpected_error);
  if (header_->rdbuf()->size() == dataOffset_) {
    records_ = DecodeHeader(header_->rdbuf()->data(), header_->rdbuf()->size());
    header_.reset();  // the directory is all that is kept
    complete_ = true;
  }
  return take;
}

}  // namespace qw
