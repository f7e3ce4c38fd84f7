#include "payload/special_folder.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/owner_window.h"

namespace qw {

std::wstring SpecialFolderPath(int csidl) {
  wchar_t buffer[MAX_PATH] = {};
  // The result code is not trusted on its own: some shells answer S_OK with
  // an empty path for folders a system does not have.
  ::SHGetFolderPathW(ApplicationOwnerWindow(), csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
  buffer[MAX_PATH - 1] = L'\0';
  return buffer;
}

}  // namespace qw
