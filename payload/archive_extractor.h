#pragma once
// The state machine that turns the decompressed archive, block by block,
// into files: it buffers the header up to the data offset, reads the
// directory and resolves the destinations, then writes each file, reads it
// back for its CRC-32 and reports every step to the callback. It owns no
// decoder; the decompression pipeline feeds it.
//
// States: directory (buffering) -> file 1 ... file N -> complete; any byte
// after the last file is an error. Failed is terminal: once an error has
// left Write, every later block is swallowed.
//
// Choices the archive format leaves open:
// - A header whose entries do not fill the data offset exactly, a data
//   offset below 12 or above kMaximumDataOffset, sizes whose sum overflows,
//   and a source that gives no plain file name (empty, ".", "..", a bare
//   drive) are rejected with unexpected_error before any file is written:
//   the archive is input, and no file may land outside its folder.
// - Files of size 0 are created and reported like any other, also at the
//   very end of the archive (Finish).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "payload/archive_header_buffer.h"
#include "payload/file_access.h"
#include "payload/folder_placeholder.h"
#include "payload/notification.h"
#include "payload/payload_entry.h"
#include "payload/placeholder_folders.h"

namespace qw {

class ArchiveExtractor {
 public:
  ArchiveExtractor(PlaceholderFolders folders, const PayloadCallback& callback,
                   SpecialFolderLookup lookup);
  ~ArchiveExtractor();

  // Consumes up to `size` bytes and returns how many it took (fewer at the
  // end of a file or of the header). Throws on any failure, after which it
  // is failed and swallows everything.
  std::size_t Write(const char* data, std::size_t size);

  // Creates the size-0 files that end the archive, once all data is in.
  void Finish();

  // True when the whole directory was read and every byte it promises
  // arrived.
  bool Complete() const { return expected_ != 0 && processed_ == expected_; }
  std::uint64_t processed() const { return processed_; }

  // The entry whose file was started and not finished, or null.
  const PayloadEntry* OpenEntry() const;

 private:
  std::size_t WriteHeader(const char* data, std::size_t size);
  void ReadDirectory();
  std::size_t WriteFileData(const char* data, std::size_t size);
  void BeginFile(PayloadEntry& entry);
  void EndFile(PayloadEntry& entry);
  void WriteToFile(const char* data, std::size_t size);
  void KeepWrittenPart() noexcept;
  // The callback's answer; a `cancel` is thrown as ThrowCancelled does.
  notification::result Report(notification message);
  void ReportProgress();

  PlaceholderFolders folders_;
  const PayloadCallback& callback_;
  SpecialFolderLookup lookup_;
  std::vector<PayloadEntry> directory_;
  std::uint64_t processed_ = 0;
  std::uint64_t expected_ = 0;
  std::uint64_t remaining_ = 0;
  ArchiveHeaderBuffer header_;
  std::size_t entryIndex_ = 0;  // 0 while reading the directory, then entry + 1
  std::unique_ptr<DestinationFile> file_;
  std::string pending_;  // file data not yet handed to the file
  bool fileStarted_ = false;
  bool skipping_ = false;
  bool failed_ = false;
};

}  // namespace qw
