#include "payload/file_access.h"

#include <windows.h>

#include <boost/filesystem/exception.hpp>

#include "platform/handles.h"

namespace qw {
namespace {

[[noreturn]] void ThrowLastError(const char* what, const boost::filesystem::path& path) {
  const DWORD code = ::GetLastError();
  throw boost::filesystem::filesystem_error(
      what, path, boost::system::error_code(static_cast<int>(code), boost::system::system_category()));
}

HANDLE AsHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace

DestinationFile::DestinationFile(const boost::filesystem::path& path) : path_(path) {
  // Others may read the new file (a virus scanner, say) but nobody else may
  // write it while it is being written and verified.
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) ThrowLastError("cannot create file", path);
  handle_ = reinterpret_cast<std::intptr_t>(file);
}

DestinationFile::~DestinationFile() {
  if (AsHandle(handle_) != INVALID_HANDLE_VALUE) ::CloseHandle(AsHandle(handle_));
}

void DestinationFile::Write(const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(AsHandle(handle_), data, chunk, &written, nullptr))
      ThrowLastError("cannot write file", path_);
    // Nothing written without an error would repeat forever.
    if (written == 0) {
      ::SetLastError(ERROR_WRITE_FAULT);
      ThrowLastError("cannot write file", path_);
    }
    data += written;
    size -= written;
  }
}

void DestinationFile::Close() {
  const HANDLE file = AsHandle(handle_);
  handle_ = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
  if (!::CloseHandle(file)) ThrowLastError("cannot close file", path_);
}

void ReadFileChunks(const boost::filesystem::path& path,
                    const std::function<void(const char*, std::size_t)>& consume) {
  const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) ThrowLastError("cannot open file", path);
  char buffer[4096];
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) ThrowLastError("cannot read file", path);
    if (read == 0) return;
    consume(buffer, read);
  }
}

bool IsSharingViolation(const std::error_code& code) {
  return code.category() == std::system_category() && code.value() == ERROR_SHARING_VIOLATION;
}

}  // namespace qw
