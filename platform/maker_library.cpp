#include "platform/maker_library.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/com_ptr.h"
#include "platform/common_controls.h"
#include "platform/file_version_info.h"
#include "platform/instance_counter.h"
#include "platform/module_file.h"
#include "platform/system_error.h"

namespace qw {

namespace {

struct LibraryRecord {
  std::error_code result;
  MakerFolders folders;
  std::wstring applicationId;
};

std::wstring KnownFolder(REFKNOWNFOLDERID id, std::error_code& error) {
  wchar_t* raw = nullptr;
  const HRESULT hr = ::SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &raw);
  const UniqueCoTaskMem<wchar_t> path(raw);  // set even on failure
  std::wstring result;
  if (SUCCEEDED(hr) && path) {
    result = path.get();
  } else if (!error) {
    error = std::error_code(static_cast<int>(hr), std::system_category());
  }
  return result;
}

// The version resource's "ApplicationId" string, or the executable's file
// name without folder and extension when that is empty.
std::wstring ApplicationIdOfExecutable() {
  std::wstring id = FileVersionInfo::FromRunningModule().StringValue(L"ApplicationId");
  return id.empty() ? FileBaseName(ModuleFilePath(nullptr)) : id;
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
  r.applicationId = ApplicationIdOfExecutable();
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

}  // namespace qw
