#pragma once
// The reader's file operations that differ between platforms: writing a
// destination file that other processes may read but not write, and
// reading a finished file back. Failures are thrown as
// boost::filesystem::filesystem_error carrying the path and the error the
// operating system reported at the failing call (on Windows GetLastError,
// which a C++ stream would not keep).

#include <boost/filesystem/path.hpp>
#include <boost/system/error_code.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <system_error>

namespace qw {

// A file opened for writing, truncated. Closing it is explicit so that a
// failing close is reported; the destructor closes silently.
class DestinationFile {
 public:
  explicit DestinationFile(const boost::filesystem::path& path);
  DestinationFile(const DestinationFile&) = delete;
  DestinationFile& operator=(const DestinationFile&) = delete;
  ~DestinationFile();

  void Write(const char* data, std::size_t size);
  void Close();

 private:
  boost::filesystem::path path_;
  std::intptr_t handle_;
};

// Calls `consume` with the content of the file, in chunks of at most 4096
// bytes, until its end.
void ReadFileChunks(const boost::filesystem::path& path,
                    const std::function<void(const char*, std::size_t)>& consume);

// A Boost error as a std::error_code, with Boost's system and generic
// categories mapped onto the standard ones.
inline std::error_code ToStdError(const boost::system::error_code& code) {
  if (code.category() == boost::system::system_category())
    return {code.value(), std::system_category()};
  if (code.category() == boost::system::generic_category())
    return {code.value(), std::generic_category()};
  return code;
}

// True for the error another process's open handle causes (Windows error 32).
bool IsSharingViolation(const std::error_code& code);

}  // namespace qw
