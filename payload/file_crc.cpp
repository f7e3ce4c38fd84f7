#include "payload/file_crc.h"

#include <boost/crc.hpp>
#include <boost/filesystem/exception.hpp>

#include <chrono>
#include <thread>

#include "payload/file_access.h"

namespace qw {

std::uint32_t StoredFileCrc32(const boost::filesystem::path& path,
                              const std::function<void()>& pause) {
  constexpr int kRepeats = 3;
  for (int attempt = 0;; ++attempt) {
    try {
      boost::crc_32_type crc;
      ReadFileChunks(path, [&](const char* data, std::size_t size) { crc.process_bytes(data, size); });
      return crc.checksum();
    } catch (const boost::filesystem::filesystem_error& error) {
      if (attempt == kRepeats || !IsSharingViolation(ToStdError(error.code()))) throw;
    }
    if (pause)
      pause();
    else
      std::this_thread::sleep_for(std::chrono::seconds(1));
  }
}

}  // namespace qw
