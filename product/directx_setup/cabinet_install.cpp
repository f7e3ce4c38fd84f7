#include "product/directx_setup/cabinet_install.h"

#include <setupapi.h>

#include <string>
#include <vector>

#include "product/directx_setup/directx_setup_interface.h"

namespace {

struct Extraction {
  std::wstring staging;              // folder the files are extracted into
  std::vector<std::wstring> names;   // names of the files extracted
  bool failed = false;
};

UINT CALLBACK OnCabinetNotification(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR) {
  auto& extraction = *static_cast<Extraction*>(context);
  switch (notification) {
    case SPFILENOTIFY_FILEINCABINET: {
      auto* info = reinterpret_cast<FILE_IN_CABINET_INFO_W*>(param1);
      std::wstring name = info->NameInCabinet;
      // Flat cabinets only: a name with a folder part is not one of ours.
      if (name.find_first_of(L"\\/:") != std::wstring::npos) {
        extraction.failed = true;
        return FILEOP_ABORT;
      }
      std::wstring target = extraction.staging + L"\\" + name;
      if (target.size() >= MAX_PATH) {
        extraction.failed = true;
        return FILEOP_ABORT;
      }
      wcscpy(info->FullTargetName, target.c_str());
      extraction.names.push_back(name);
      return FILEOP_DOIT;
    }
    case SPFILENOTIFY_FILEEXTRACTED: {
      auto* paths = reinterpret_cast<FILEPATHS_W*>(param1);
      if (paths->Win32Error != NO_ERROR) extraction.failed = true;
      return paths->Win32Error;
    }
    case SPFILENOTIFY_NEEDNEWCABINET:
      extraction.failed = true;  // the setup's cabinets do not span
      return ERROR_FILE_NOT_FOUND;
    default:
      return NO_ERROR;
  }
}

void RemoveStaging(const Extraction& extraction) {
  for (const std::wstring& name : extraction.names) {
    ::DeleteFileW((extraction.staging + L"\\" + name).c_str());
  }
  ::RemoveDirectoryW(extraction.staging.c_str());
}

// A new empty folder in the user's temporary folder.
bool MakeStagingFolder(std::wstring& folder) {
  wchar_t temp[MAX_PATH + 1] = {};
  if (::GetTempPathW(MAX_PATH, temp) == 0) return false;
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    folder = std::wstring(temp) + L"qwdx" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
             std::to_wstring(::GetTickCount() + attempt);
    if (::CreateDirectoryW(folder.c_str(), nullptr)) return true;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

}  // namespace

extern "C" __declspec(dllexport) INT WINAPI DSetup32InstallCabinet(LPCWSTR cabinet, LPCWSTR componentsFolder) {
  if (::GetFileAttributesW(cabinet) == INVALID_FILE_ATTRIBUTES) return DSETUPERR_SOURCEFILENOTFOUND;
  Extraction extraction;
  if (!MakeStagingFolder(extraction.staging)) return DSETUPERR_NOCOPY;
  const BOOL iterated =
      ::SetupIterateCabinetW(cabinet, 0, OnCabinetNotification, &extraction);
  if (!iterated || extraction.failed || extraction.names.empty()) {
    RemoveStaging(extraction);
    return DSETUPERR_INTERNAL;
  }
  ::CreateDirectoryW(componentsFolder, nullptr);
  INT result = DSETUPERR_SUCCESS;
  for (const std::wstring& name : extraction.names) {
    const std::wstring from = extraction.staging + L"\\" + name;
    const std::wstring to = std::wstring(componentsFolder) + L"\\" + name;
    if (result == DSETUPERR_SUCCESS &&
        !::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
      result = DSETUPERR_NOCOPY;
    }
  }
  RemoveStaging(extraction);
  return result;
}
