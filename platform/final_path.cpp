#include "platform/final_path.h"

#include <vector>

namespace qw {

std::wstring FinalPath(HANDLE handle) {
  std::vector<wchar_t> buffer(MAX_PATH + 16);
  for (;;) {
    const DWORD length = ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                     FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return std::wstring();
    if (length < buffer.size()) {
      std::wstring path(buffer.data(), length);
      if (path.compare(0, 4, L"\\\\?\\") == 0) path.erase(0, 4);
      return path;
    }
    buffer.resize(length + 1);
  }
}

}  // namespace qw
