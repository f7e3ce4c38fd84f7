#pragma once
// Writes bzip2 data (900 k blocks, "BZh9") to a new file through libbz2:
// one stream, or a new stream after every `streamInput` bytes of input, so
// that a reader can decode the streams side by side. Concatenated streams
// are still one bzip2 file to bzip2 itself and to any reader that
// decodes concatenations. The file is written under a new, exclusively created temporary
// name in the same folder and takes its own name only in Commit(), so a
// failure never leaves a partial output file behind.

#include <bzlib.h>

#include <cstdio>
#include <string>

namespace qw {

class Bzip2FileWriter {
 public:
  // Throws std::runtime_error when the temporary file cannot be created.
  // `streamInput` 0 makes one stream.
  explicit Bzip2FileWriter(const std::string& path, std::size_t streamInput = 0);
  Bzip2FileWriter(const Bzip2FileWriter&) = delete;
  Bzip2FileWriter& operator=(const Bzip2FileWriter&) = delete;
  // Without Commit(), removes the temporary file.
  ~Bzip2FileWriter();

  // Throws std::runtime_error on a compression or write failure.
  void Write(const char* data, std::size_t size);
  // Ends the stream and gives the file its name. Throws std::runtime_error.
  void Commit();

  unsigned long long compressedBytes() const { return compressed_; }

 private:
  void Drain(int action);
  void StartStream();
  void EndStream();

  std::string path_;
  std::string temporary_;
  std::FILE* file_ = nullptr;
  bz_stream stream_{};
  bool streamOpen_ = false;
  std::size_t streamInput_ = 0;
  std::size_t inStream_ = 0;  // input bytes in the stream being written
  unsigned long long compressed_ = 0;
};

}  // namespace qw
