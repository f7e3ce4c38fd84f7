// POSIX has no share modes: the destination file is opened plainly and
// other processes are not kept from writing it.

#include "payload/file_access.h"

#include <fcntl.h>
#include <unistd.h>

#include <boost/filesystem/exception.hpp>
#include <cerrno>

namespace qw {
namespace {

[[noreturn]] void ThrowErrno(const char* what, const boost::filesystem::path& path) {
  throw boost::filesystem::filesystem_error(what, path,
                                            boost::system::error_code(errno, boost::system::system_category()));
}

}  // namespace

DestinationFile::DestinationFile(const boost::filesystem::path& path) : path_(path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) ThrowErrno("cannot create file", path);
  handle_ = fd;
}

DestinationFile::~DestinationFile() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

void DestinationFile::Write(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(static_cast<int>(handle_), data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowErrno("cannot write file", path_);
    }
    // Nothing written without an error would repeat forever.
    if (written == 0) {
      errno = EIO;
      ThrowErrno("cannot write file", path_);
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void DestinationFile::Close() {
  const int fd = static_cast<int>(handle_);
  handle_ = -1;
  if (::close(fd) != 0) ThrowErrno("cannot close file", path_);
}

void ReadFileChunks(const boost::filesystem::path& path,
                    const std::function<void(const char*, std::size_t)>& consume) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowErrno("cannot open file", path);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowErrno("cannot read file", path);
    }
    if (got == 0) return;
    consume(buffer, static_cast<std::size_t>(got));
  }
}

bool IsSharingViolation(const std::error_code&) { return false; }

}  // namespace qw
