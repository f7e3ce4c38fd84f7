#pragma once
// Writes one bzip2 stream (900 k blocks, "BZh9") to a new file through
// libbz2. The file is written under a new, exclusively created temporary
// name in the same folder and takes its own name only in Commit(), so a
// failure never leaves a partial output file behind.

#include <bzlib.h>

#include <cstdio>
#include <string>

namespace qw {

class Bzip2FileWriter {
 public:
  // Throws std::runtime_error when the temporary file cannot be created.
  explicit Bzip2FileWriter(const std::string& path);
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

  std::string path_;
  std::string temporary_;
  std::FILE* file_ = nullptr;
  bz_stream stream_{};
  bool streamOpen_ = false;
  unsigned long long compressed_ = 0;
};

}  // namespace qw
