#include "pending_renames.h"

#include <windows.h>
#include <shlwapi.h>

namespace qw::test {
namespace {

constexpr wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kValue[] = L"PendingFileRenameOperations";
constexpr wchar_t kNamePrefix[] = L"\\??\\";

}  // namespace

std::optional<std::vector<PendingRename>> PendingRenames() {
  DWORD size = 0;
  const LSTATUS sized = ::RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, kValue, RRF_RT_REG_MULTI_SZ, nullptr,
                                       nullptr, &size);
  if (sized == ERROR_FILE_NOT_FOUND) return std::vector<PendingRename>();
  if (sized != ERROR_SUCCESS) return std::nullopt;
  std::wstring data(size / sizeof(wchar_t) + 2, L'\0');
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, kValue, RRF_RT_REG_MULTI_SZ, nullptr, data.data(),
                     &size) != ERROR_SUCCESS)
    return std::nullopt;
  data.resize(size / sizeof(wchar_t));
  // Pairs of names, each ended by a null; the list ends in an empty name.
  std::vector<PendingRename> renames;
  std::size_t at = 0;
  while (at < data.size() && data[at] != L'\0') {
    PendingRename rename;
    rename.source = data.c_str() + at;
    at += rename.source.size() + 1;
    if (at < data.size()) rename.target = data.c_str() + at;
    at += rename.target.size() + 1;
    renames.push_back(std::move(rename));
  }
  return renames;
}

std::optional<std::size_t> PendingDeletionIndex(const std::vector<PendingRename>& renames, const std::wstring& path) {
  const std::wstring name = kNamePrefix + path;
  for (std::size_t i = 0; i < renames.size(); ++i)
    if (renames[i].target.empty() && ::lstrcmpiW(renames[i].source.c_str(), name.c_str()) == 0) return i;
  return std::nullopt;
}

void ForgetPendingRenamesUnder(const std::wstring& folder) {
  const std::optional<std::vector<PendingRename>> renames = PendingRenames();
  if (!renames) return;
  const std::wstring prefix = kNamePrefix + folder;
  std::wstring kept;
  for (const PendingRename& rename : *renames) {
    if (::StrCmpNIW(rename.source.c_str(), prefix.c_str(), static_cast<int>(prefix.size())) == 0) continue;
    kept += rename.source + L'\0' + rename.target + L'\0';
  }
  if (kept.empty()) {
    ::SHDeleteValueW(HKEY_LOCAL_MACHINE, kSessionManager, kValue);
    return;
  }
  kept += L'\0';
  ::SHSetValueW(HKEY_LOCAL_MACHINE, kSessionManager, kValue, REG_MULTI_SZ, kept.data(),
                static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
}

}  // namespace qw::test
