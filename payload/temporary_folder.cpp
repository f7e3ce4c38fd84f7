#include "payload/temporary_folder.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>

#include "payload/temporary_folder_name.h"

namespace qw {

bool MakeTemporaryFolderPath(std::wstring& folder, std::wstring& errorText) {
  // Leaves room in a MAX_PATH buffer for the 46-character folder name and
  // its separator.
  constexpr DWORD kLongestTempPath = 246;
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH, path);
  if (length == 0 || length > kLongestTempPath) {
    wchar_t text[64];
    std::swprintf(text, 64, L"%08x (%ls)", static_cast<unsigned>(::GetLastError()), L"GetTempPath");
    errorText = text;
    return false;
  }
  ::PathAppendW(path, NewTemporaryFolderName().c_str());
  folder = path;
  return true;
}

}  // namespace qw
