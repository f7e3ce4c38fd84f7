#include "payload/payload_archive.h"

#include <boost/filesystem/exception.hpp>
#include <boost/iostreams/filter/bzip2.hpp>

#include "payload/archive_extractor.h"
#include "payload/archive_header_buffer.h"
#include "payload/compress_error.h"
#include "payload/decompression_pipeline.h"
#include "payload/file_access.h"
#include "payload/special_folder.h"
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

PayloadArchive::PayloadArchive(ArchiveBytes bytes)
    : memory_(bytes.data, bytes.data ? bytes.size : 0), input_(memory_) {}

PayloadArchive::PayloadArchive(std::istream& input) : memory_(nullptr, 0), input_(input) {}

bool PayloadArchive::test() {
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
    callback(started);
    extractor = std::make_unique<ArchiveExtractor>(std::move(folders), callback, lookup);
    const std::uint64_t compressed = Decompress(
        input_, [&](const char* data, std::size_t size) { return extractor->Write(data, size); });
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
