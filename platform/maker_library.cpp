#include "platform/maker_library.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/common_controls.h"
#include "platform/file_version_info.h"
#include "platform/instance_counter.h"
#include "platform/system_error.h"

namespace qw {

namespace {

struct LibraryRecord {
  std::error_code result;
  MakerFolders folders;
  std::wstring applicationId;
};

std::wstring KnownFolder(REFKNOWNFOLDERID id, std::error_code& error) {
  wchar_t* path = nullptr;
  const HRESULT hr = ::SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path);
  std::wstring result;
  if (SUCCEEDED(hr) && path) {
    result = path;
  } else if (!error) {
    error = std::error_code(static_cast<int>(hr), std::system_category());
  }
  ::CoTaskMemFree(path);
  return result;
}

std::wstring ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
}

LibraryRecord Initialize() {
  LibraryRecord r;
  std::error_code error;
  r.folders.documents = KnownFolder(FOLDERID_Documents, error);
  r.folders.commonData = KnownFolder(FOLDERID_ProgramData, error) + L"\\" + kMakerName;
  r.folders.roamingData = KnownFolder(FOLDERID_RoamingAppData, error) + L"\\" + kMakerName;
  if (error) {
    r.result = error;
    return r;
  }
  if (!InitializeCommonControls()) {
    r.result = SystemError(ERROR_OLD_WIN_VERSION);
    return r;
  }
  r.applicationId = ApplicationIdFrom(
      FileVersionInfo::FromRunningModule().StringValue(L"ApplicationId"), ExecutablePath());
  RegisterInstance(r.applicationId);
  return r;
}

const LibraryRecord& Record() {
  static const LibraryRecord record = Initialize();
  return record;
}

}  // namespace

std::error_code InitializeMakerLibrary() { return Record().result; }
const MakerFolders& MakerLibraryFolders() { return Record().folders; }
const std::wstring& ApplicationId() { return Record().applicationId; }

std::wstring ApplicationIdFrom(const std::wstring& versionString,
                               const std::wstring& executablePath) {
  if (!versionString.empty()) return versionString;
  const std::size_t slash = executablePath.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? executablePath : executablePath.substr(slash + 1);
  const std::size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  return name;
}

}  // namespace qw
