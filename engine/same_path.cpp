// Whether two paths name the same folder or file.
#include "engine/same_path.h"

#include <windows.h>
#include <shlwapi.h>

#include <optional>
#include <vector>

#include "engine/system_path_form.h"
#include "platform/handles.h"
#include "platform/path_elements.h"

namespace qw {
namespace {

struct FileIdentity {
  BY_HANDLE_FILE_INFORMATION info;
};

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
  UniqueFile file(::CreateFileW(path.c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return std::nullopt;
  FileIdentity identity{};
  if (!::GetFileInformationByHandle(file.get(), &identity.info)) return std::nullopt;
  return identity;
}

bool SameObject(const FileIdentity& a, const FileIdentity& b) {
  const BY_HANDLE_FILE_INFORMATION& x = a.info;
  const BY_HANDLE_FILE_INFORMATION& y = b.info;
  return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
         x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow &&
         x.nFileSizeHigh == y.nFileSizeHigh && x.nFileSizeLow == y.nFileSizeLow &&
         ::CompareFileTime(&x.ftLastWriteTime, &y.ftLastWriteTime) == 0;
}

// The full form, or the text as given when the system cannot make it full.
std::wstring FullOrAsGiven(const std::wstring& path) {
  std::wstring full = FullPathName(path);
  return full.empty() ? path : full;
}

bool SameElementsIgnoringCase(const std::wstring& a, const std::wstring& b) {
  const std::vector<std::wstring> x = PathElements(a);
  const std::vector<std::wstring> y = PathElements(b);
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (x[i].size() != y[i].size() ||
        !::StrIsIntlEqualW(FALSE, x[i].c_str(), y[i].c_str(), static_cast<int>(x[i].size())))
      return false;
  }
  return true;
}

}  // namespace

bool SamePath(const std::wstring& a, const std::wstring& b) {
  if (SamePathElements(a, b)) return true;
  const auto x = IdentityOf(a);
  const auto y = IdentityOf(b);
  if (x && y) return SameObject(*x, *y);
  if (x || y) return false;
  return SameElementsIgnoringCase(FullOrAsGiven(a), FullOrAsGiven(b));
}

}  // namespace qw
