#include "installer_copy.h"

#include <windows.h>

#include "payload/payload_resource.h"

namespace qw::test {

bool MakeInstallerWithPayload(const std::wstring& installer, const std::wstring& copyPath,
                              const std::string& archive) {
  if (!::CopyFileW(installer.c_str(), copyPath.c_str(), FALSE)) return false;
  ::SetFileAttributesW(copyPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE update = ::BeginUpdateResourceW(copyPath.c_str(), FALSE);
  if (!update) return false;
  const bool replaced =
      ::UpdateResourceW(update, MAKEINTRESOURCEW(kPayloadResourceType), MAKEINTRESOURCEW(kPayloadResourceName),
                        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), const_cast<char*>(archive.data()),
                        static_cast<DWORD>(archive.size())) != FALSE;
  return ::EndUpdateResourceW(update, !replaced) != FALSE && replaced;
}

}  // namespace qw::test
