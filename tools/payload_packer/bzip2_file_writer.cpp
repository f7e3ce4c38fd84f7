#include "tools/payload_packer/bzip2_file_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <boost/filesystem/path.hpp>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace qw {
namespace {

std::runtime_error WriteError(const std::string& path) {
  return std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
}

// A new file next to `path` (so that the rename cannot cross file
// systems) under a name no one else has: mkstemp creates it exclusively,
// never through a link or over an existing file. Returns the open file and
// sets `name`; throws std::runtime_error.
std::FILE* CreateTemporaryBeside(const std::string& path, std::string& name) {
  const boost::filesystem::path output(path);
  const boost::filesystem::path folder = output.has_parent_path() ? output.parent_path() : ".";
  std::string pattern = (folder / (output.filename().string() + ".partial-XXXXXX")).string();
  const int descriptor = ::mkstemp(&pattern[0]);
  if (descriptor < 0) throw WriteError(pattern);
  // mkstemp gives 0600; the archive gets what a newly created file would.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  std::FILE* file = nullptr;
  if (::fchmod(descriptor, 0666 & ~mask) == 0) file = ::fdopen(descriptor, "wb");
  if (!file) {
    const std::runtime_error error = WriteError(pattern);
    ::close(descriptor);
    std::remove(pattern.c_str());
    throw error;
  }
  name = pattern;
  return file;
}

}  // namespace

Bzip2FileWriter::Bzip2FileWriter(const std::string& path, std::size_t streamInput)
    : path_(path), streamInput_(streamInput) {
  file_ = CreateTemporaryBeside(path_, temporary_);
  try {
    StartStream();
  } catch (...) {
    std::fclose(file_);
    std::remove(temporary_.c_str());
    throw;
  }
}

void Bzip2FileWriter::StartStream() {
  stream_ = bz_stream{};
  if (BZ2_bzCompressInit(&stream_, 9, 0, 0) != BZ_OK) throw std::runtime_error("cannot start the bzip2 compressor");
  streamOpen_ = true;
  inStream_ = 0;
}

void Bzip2FileWriter::EndStream() {
  Drain(BZ_FINISH);
  BZ2_bzCompressEnd(&stream_);
  streamOpen_ = false;
}

Bzip2FileWriter::~Bzip2FileWriter() {
  if (streamOpen_) BZ2_bzCompressEnd(&stream_);
  if (file_) {
    std::fclose(file_);
    std::remove(temporary_.c_str());
  }
}

void Bzip2FileWriter::Write(const char* data, std::size_t size) {
  while (size > 0) {
    if (streamInput_ > 0 && inStream_ == streamInput_) {
      EndStream();
      StartStream();
    }
    std::size_t chunk = size > (1u << 30) ? (1u << 30) : size;
    if (streamInput_ > 0 && chunk > streamInput_ - inStream_) chunk = streamInput_ - inStream_;
    stream_.next_in = const_cast<char*>(data);
    stream_.avail_in = static_cast<unsigned>(chunk);
    Drain(BZ_RUN);
    inStream_ += chunk;
    data += chunk;
    size -= chunk;
  }
}

void Bzip2FileWriter::Commit() {
  EndStream();
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!closed || std::rename(temporary_.c_str(), path_.c_str()) != 0) {
    const std::runtime_error error = WriteError(path_);
    std::remove(temporary_.c_str());
    throw error;
  }
}

void Bzip2FileWriter::Drain(int action) {
  char buffer[64 * 1024];
  for (;;) {
    stream_.next_out = buffer;
    stream_.avail_out = sizeof buffer;
    const int result = BZ2_bzCompress(&stream_, action);
    if (result < 0) throw std::runtime_error("bzip2 compression failed");
    const std::size_t produced = sizeof buffer - stream_.avail_out;
    if (produced && std::fwrite(buffer, 1, produced, file_) != produced) throw WriteError(temporary_);
    compressed_ += produced;
    if (action == BZ_RUN ? stream_.avail_in == 0 : result == BZ_STREAM_END) return;
  }
}

}  // namespace qw
