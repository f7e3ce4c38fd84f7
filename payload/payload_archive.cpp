#include "payload/payload_archive.h"

#include <boost/filesystem/exception.hpp>
#include <boost/iostreams/filter/bzip2.hpp>

#include <cstdint>
#include <optional>

#include "payload/archive_extractor.h"
#include "payload/archive_header_buffer.h"
#include "payload/bzip2_stream_starts.h"
#include "payload/compress_error.h"
#include "payload/decompression_pipeline.h"
#include "payload/file_access.h"
#include "payload/special_folder.h"
#include "payload/stream_decoders.h"
#include "payload/wide_path.h"

namespace qw {
namespace {

// The code and text of the failure notification for the error being
// handled; `openFile` is the destination of a file started and not finished.
notification::failure DescribeFailure(const PayloadEntry* openFile) {
  notification::failure failure{make_error_code(compress_errc::unexpected_error), std::wstring()};
  try {
    throw;
  } catch (const boost::iostreams::bzip2_error&) {
    failure.code = make_error_code(compress_errc::bzip2_error);
  } catch (const boost::filesystem::filesystem_error& error) {
    failure.code = ToStdError(error.code());
    failure.text = PathText(error.path1());
  } catch (const std::system_error& error) {  // also stream failures
    failure.code = error.code();
  } catch (...) {
  }
  if (openFile) failure.text = PathText(openFile->destination);
  return failure;
}

}  // namespace

PayloadArchive::PayloadArchive(ArchiveBytes bytes, unsigned threads)
    : bytes_(bytes.data ? bytes : ArchiveBytes{}),
      threads_(threads == 0 ? DecodingThreads() : threads),
      memory_(bytes_.data, bytes_.size),
      input_(memory_) {}

PayloadArchive::PayloadArchive(std::istream& input) : memory_(nullptr, 0), input_(input) {}

std::vector<std::size_t> PayloadArchive::ParallelStreamStarts() const {
  if (threads_ < 2 || bytes_.data == nullptr) return {};
  std::vector<std::size_t> starts = FindBzip2StreamStarts(bytes_.data, bytes_.size);
  if (starts.size() < 2) return {};
  return starts;
}

// Every range must decode clean; if one does not, the caller's thread
// tests the whole archive as it always did, for the same answer.
bool PayloadArchive::TestOnWorkers(std::vector<std::size_t> starts) {
  const std::size_t ranges = starts.size();
  StreamDecoders decoders(bytes_.data, bytes_.size, std::move(starts), threads_, ranges, false);
  for (std::size_t i = 0; i < decoders.ranges(); ++i) {
    if (!decoders.Take(i).clean) {
      decoders.Stop();
      return TestOnThisThread();
    }
  }
  return true;
}

// The workers decode ahead; the decoded bytes go through the same blocks as
// one decoder's. From the first range that is not clean on, this thread
// decodes the rest itself, where one decoder would have been at that point.
std::uint64_t PayloadArchive::DecodeOnWorkers(std::vector<std::size_t> starts, const DecodedSink& sink) {
  std::optional<StreamDecoders> started;
  try {
    started.emplace(bytes_.data, bytes_.size, std::move(starts), threads_, threads_ + 2, true);
  } catch (const std::system_error&) {
    return Decompress(input_, sink);  // no thread to be had
  }
  StreamDecoders& decoders = *started;
  DecodedBlocks blocks(sink);
  for (std::size_t i = 0; i < decoders.ranges(); ++i) {
    DecodedRange range = decoders.Take(i);
    if (!range.clean) {
      const std::size_t start = decoders.start(i);
      decoders.Stop();
      const std::uint64_t rest = DecompressRest(bytes_.data, bytes_.size, start, blocks);
      blocks.Finish();
      return start + rest;
    }
    blocks.Append(range.bytes.data(), range.bytes.size());
  }
  blocks.Finish();
  return bytes_.size;
}

bool PayloadArchive::test() {
  std::vector<std::size_t> starts = ParallelStreamStarts();
  if (!starts.empty()) {
    try {
      return TestOnWorkers(std::move(starts));
    } catch (const std::system_error&) {
      // No thread to be had: this thread tests alone.
    }
  }
  return TestOnThisThread();
}

bool PayloadArchive::TestOnThisThread() {
  try {
    Decompress(input_, [](const char*, std::size_t size) { return size; });
  } catch (...) {
    return false;
  }
  return !input_.bad() && input_.peek() == std::istream::traits_type::eof();
}

std::vector<DirectoryRecord> PayloadArchive::directory() {
  // Thrown by the sink once the header is complete: the rest of the
  // archive is not decoded.
  struct HeaderRead {};
  ArchiveHeaderBuffer header;
  try {
    Decompress(input_, [&header](const char* data, std::size_t size) -> std::size_t {
      const std::size_t taken = header.Take(data, size);
      if (header.Complete()) throw HeaderRead{};
      return taken;
    });
  } catch (const HeaderRead&) {
  } catch (...) {
    rewind();
    throw;
  }
  rewind();
  if (!header.Complete()) ThrowCompressError(compress_errc::unexpected_error);
  return header.TakeRecords();
}

std::vector<DirectoryRecord> PayloadArchive::directory(std::error_code& error) noexcept {
  error.clear();
  try {
    return directory();
  } catch (...) {
    error = DescribeFailure(nullptr).code;
    return {};
  }
}

void PayloadArchive::rewind() {
  input_.clear();
  input_.seekg(0);
}

bool PayloadArchive::extract(PlaceholderFolders folders, const PayloadCallback& callback) {
  return extract(std::move(folders), callback, SpecialFolderPath);
}

bool PayloadArchive::extract(PlaceholderFolders folders, const PayloadCallback& callback,
                             const SpecialFolderLookup& lookup) {
  std::unique_ptr<ArchiveExtractor> extractor;
  try {
    notification started{notification::started{}};
    if (callback(started) == notification::cancel) ThrowCancelled(started);
    extractor = std::make_unique<ArchiveExtractor>(std::move(folders), callback, lookup);
    const DecodedSink sink = [&](const char* data, std::size_t size) { return extractor->Write(data, size); };
    std::vector<std::size_t> starts = ParallelStreamStarts();
    const std::uint64_t compressed =
        starts.empty() ? Decompress(input_, sink) : DecodeOnWorkers(std::move(starts), sink);
    extractor->Finish();
    if (!extractor->Complete()) ThrowCompressError(compress_errc::unexpected_error);
    notification finished{notification::finished{compressed, extractor->processed()}};
    callback(finished);
    return true;
  } catch (...) {
    notification failure{DescribeFailure(extractor ? extractor->OpenEntry() : nullptr)};
    try {
      callback(failure);
    } catch (...) {
      // Nothing may follow the failure, not even the callback's own error.
    }
    return false;
  }
}

}  // namespace qw
