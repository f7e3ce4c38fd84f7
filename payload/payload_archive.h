#pragma once
// The reader of the payload archive: a bzip2-compressed archive of files,
// each with a destination folder in placeholder form and a CRC-32. It tests
// the archive by decompressing it once, then extracts it by decompressing it
// again and streaming every file to disk, reporting each step to a
// callback. Only the directory is ever held in memory.
//
// An archive in memory made of several bzip2 streams (as the packer writes
// it) is decoded on worker threads, the test entirely, the extraction
// ahead of the writing, which stays on the caller's thread with every
// report, in the same order and with the same results as one decoder on
// the caller's thread would give; an archive of one stream, or one read
// from a stream of the caller's, is decoded on the caller's thread.
//
// It reads bytes it is given; finding them in the executable's resources is
// FindPayloadResource's business (payload_resource.h). One archive serves
// one extraction: test, rewind, extract, in that order; the directory can
// be read before, on its own.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <vector>

#include "payload/decoded_blocks.h"
#include "payload/folder_placeholder.h"
#include "payload/membuf.h"
#include "payload/notification.h"
#include "payload/payload_format.h"
#include "payload/placeholder_folders.h"

namespace qw {

// Compressed archive bytes owned by someone else; no bytes means no archive.
struct ArchiveBytes {
  const char* data = nullptr;
  std::size_t size = 0;
};

class PayloadArchive {
 public:
  // Reads `bytes` in place; they must outlive the archive. `threads`
  // decode a multi-stream archive (0: as many as DecodingThreads() says; 1:
  // the caller's thread only).
  explicit PayloadArchive(ArchiveBytes bytes, unsigned threads = 0);
  // Reads a stream of the caller's (a file, for tools and benchmarks).
  explicit PayloadArchive(std::istream& input);
  PayloadArchive(const PayloadArchive&) = delete;
  PayloadArchive& operator=(const PayloadArchive&) = delete;

  // True when the whole input decompresses without error, the stream is
  // sound and nothing follows the end of the compressed data. Sends no
  // notification. False for an absent archive.
  bool test();

  // The directory as stored (destinations in placeholder form), decoding
  // only as much of the input as the header takes; back to the start
  // afterwards, also after a failure.
  // Writes nothing and sends no notification. Throws the "compress" error
  // unexpected_error for an absent archive or a malformed header, and the
  // decompressor's error for a corrupt start.
  std::vector<DirectoryRecord> directory();
  // The same for callers outside the reader: never throws; empty with
  // `error` set to what the other form would throw.
  std::vector<DirectoryRecord> directory(std::error_code& error) noexcept;

  // Back to the start of the input; a failed seek leaves the input failed.
  void rewind();

  // Writes every file to its resolved destination, verifying each against
  // its CRC-32, and reports to `callback` (required). Returns true when all
  // files were written and verified; false after exactly one failure
  // notification. Never throws. Files written before a failure stay.
  bool extract(PlaceholderFolders folders, const PayloadCallback& callback);
  // The same with special folders of the caller's (tests).
  bool extract(PlaceholderFolders folders, const PayloadCallback& callback,
               const SpecialFolderLookup& lookup);

 private:
  // The offsets of the streams a multi-stream archive in memory is to be
  // decoded by, or nothing for the caller's thread alone.
  std::vector<std::size_t> ParallelStreamStarts() const;
  bool TestOnWorkers(std::vector<std::size_t> starts);
  bool TestOnThisThread();
  std::uint64_t DecodeOnWorkers(std::vector<std::size_t> starts, const DecodedSink& sink);

  ArchiveBytes bytes_;
  unsigned threads_ = 1;
  imemstream memory_;
  std::istream& input_;
};

}  // namespace qw
