#include "payload/temporary_folder.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>

#include <boost/uuid/entropy_error.hpp>

#include "payload/temporary_folder_name.h"

namespace qw {
namespace {

// Sets `errorText` to the thread's last error and the failed function, as
// "%08x (%s)"; returns false.
bool Fail(const wchar_t* function, std::wstring& errorText) {
  wchar_t text[64];
  std::swprintf(text, 64, L"%08x (%ls)", static_cast<unsigned>(::GetLastError()), function);
  errorText = text;
  return false;
}

}  // namespace

bool MakeTemporaryFolderPath(std::wstring& folder, std::wstring& errorText) {
  constexpr DWORD kLongestTempPath = 246;
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH, path);
  if (length == 0 || length > kLongestTempPath) return Fail(L"GetTempPath", errorText);
  // The name needs 46 characters: a temporary folder longer than 213
  // characters passes the check above but leaves no room for it, and the
  // joined path would be cut off or empty.
  std::wstring name;
  try {
    name = NewTemporaryFolderName();
  } catch (const boost::uuids::entropy_error& error) {
    // The system's random source failed; its code is the error.
    ::SetLastError(static_cast<DWORD>(error.errcode()));
    return Fail(L"random_generator", errorText);
  }
  // PathAppend does not say why it failed.
  ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
  if (!::PathAppendW(path, name.c_str())) return Fail(L"PathAppend", errorText);
  folder = path;
  return true;
}

}  // namespace qw
