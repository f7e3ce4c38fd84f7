#include "payload/archive_extractor.h"

#include <boost/filesystem/operations.hpp>

#include <algorithm>

#include "payload/compress_error.h"
#include "payload/file_crc.h"
#include "payload/payload_format.h"
#include "payload/unicode_text.h"
#include "payload/wide_path.h"

namespace qw {
namespace {

// Decoded blocks are 4 KiB; handing each to the system on its own made the
// system calls a tenth of the extraction time. Gathering 64 KiB per write
// keeps memory flat all the same.
constexpr std::size_t kWriteSize = 64 * 1024;

// Prepares `path` for a new file: an existing file is made writable so that
// it can be replaced, a missing parent folder is created with its ancestors.
void PrepareDestination(const boost::filesystem::path& path) {
  namespace fs = boost::filesystem;
  if (fs::exists(path)) {
    fs::permissions(path, fs::add_perms | fs::owner_write | fs::group_write | fs::others_write);
  } else if (path.has_parent_path() && !fs::exists(path.parent_path())) {
    fs::create_directories(path.parent_path());
  }
}

}  // namespace

ArchiveExtractor::ArchiveExtractor(PlaceholderFolders folders, const PayloadCallback& callback,
                                   SpecialFolderLookup lookup)
    : folders_(std::move(folders)),
      callback_(callback),
      lookup_(std::move(lookup)) {}

ArchiveExtractor::~ArchiveExtractor() = default;

std::size_t ArchiveExtractor::Write(const char* data, std::size_t size) {
  if (failed_) return size;
  try {
    return entryIndex_ == 0 ? WriteHeader(data, size) : WriteFileData(data, size);
  } catch (...) {
    failed_ = true;
    KeepWrittenPart();
    throw;
  }
}

void ArchiveExtractor::Finish() {
  if (failed_ || !Complete()) return;
  try {
    // Data is complete, so whatever entries are left have size 0.
    while (entryIndex_ >= 1 && entryIndex_ - 1 < directory_.size()) WriteFileData(nullptr, 0);
  } catch (...) {
    failed_ = true;
    throw;
  }
}

const PayloadEntry* ArchiveExtractor::OpenEntry() const {
  return fileStarted_ ? &directory_[entryIndex_ - 1] : nullptr;
}

std::size_t ArchiveExtractor::WriteHeader(const char* data, std::size_t size) {
  const std::size_t take = header_.Take(data, size);
  if (header_.Complete()) ReadDirectory();
  return take;
}

void ArchiveExtractor::ReadDirectory() {
  const std::vector<DirectoryRecord> records = header_.TakeRecords();
  const std::uint64_t dataOffset = header_.DataOffset();
  expected_ = ExpectedLength(dataOffset, records);
  if (expected_ == 0) ThrowCompressError(compress_errc::unexpected_error);

  // Every entry is checked before the first file is written.
  directory_.resize(records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (DirectoryRecordFault(records[i])) ThrowCompressError(compress_errc::unexpected_error);
    const std::wstring source = WideFromUtf16(records[i].source);
    const std::wstring name = SourceFileName(source);
    PayloadEntry& entry = directory_[i];
    entry.source = WidePath(source);
    entry.destination =
        ResolvePlaceholder(WideFromUtf16(records[i].destination), folders_, lookup_) / WidePath(name);
    entry.kind = records[i].kind;
    entry.size = records[i].size;
    entry.crc = records[i].crc;
  }
  processed_ = dataOffset;
  ReportProgress();
  entryIndex_ = 1;
}

std::size_t ArchiveExtractor::WriteFileData(const char* data, std::size_t size) {
  if (entryIndex_ - 1 >= directory_.size()) ThrowCompressError(compress_errc::unexpected_error);
  PayloadEntry& entry = directory_[entryIndex_ - 1];
  if (!fileStarted_) BeginFile(entry);

  const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(size, remaining_));
  if (file_ && take) WriteToFile(data, take);
  remaining_ -= take;
  processed_ += take;
  ReportProgress();
  if (remaining_ == 0) EndFile(entry);
  return take;
}

void ArchiveExtractor::BeginFile(PayloadEntry& entry) {
  const notification::result answer = Report(notification::file_begin{entry});
  remaining_ = entry.size;
  fileStarted_ = true;
  skipping_ = answer == notification::skip;
  if (!skipping_) {
    PrepareDestination(entry.destination);
    file_ = std::make_unique<DestinationFile>(entry.destination);
  }
}

void ArchiveExtractor::EndFile(PayloadEntry& entry) {
  if (!skipping_) {
    std::unique_ptr<DestinationFile> file = std::move(file_);
    file->Write(pending_.data(), pending_.size());
    pending_.clear();
    file->Close();
    if (StoredFileCrc32(entry.destination) != entry.crc)
      ThrowCompressError(compress_errc::invalid_checksum);
    Report(notification::file_end{entry});
  }
  fileStarted_ = false;
  skipping_ = false;
  ++entryIndex_;
}

void ArchiveExtractor::KeepWrittenPart() noexcept {
  // What was reported as written stays in the file the failure leaves
  // behind; a second failure here changes nothing about the first.
  if (!file_ || pending_.empty()) return;
  try {
    file_->Write(pending_.data(), pending_.size());
  } catch (...) {
  }
  pending_.clear();
}

void ArchiveExtractor::WriteToFile(const char* data, std::size_t size) {
  if (pending_.capacity() < kWriteSize) pending_.reserve(kWriteSize);
  pending_.append(data, size);
  if (pending_.size() >= kWriteSize) {
    file_->Write(pending_.data(), pending_.size());
    pending_.clear();
  }
}

notification::result ArchiveExtractor::Report(notification message) {
  const notification::result answer = callback_(message);
  if (answer == notification::cancel) ThrowCancelled(message);
  return answer;
}

void ArchiveExtractor::ReportProgress() {
  Report(notification::progress{processed_, expected_});
}

}  // namespace qw
