#include "engine/program_files_folders.h"

#include <windows.h>

#include "engine/folder_containment.h"
#include "payload/special_folder.h"
#include "platform/handles.h"
#include "platform/registry_key.h"

namespace qw {
namespace {

constexpr int kProgramFilesX86 = 0x2A;        // CSIDL_PROGRAM_FILESX86
constexpr int kProgramFilesCommonX86 = 0x2C;  // CSIDL_PROGRAM_FILES_COMMONX86

// A value of the 64-bit view of the system's CurrentVersion key (the
// environment could say anything: it is the user's).
std::wstring CurrentVersionValue(const wchar_t* name) {
  UniqueRegKey key;
  if (OpenRegKey(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion",
                 KEY_QUERY_VALUE | KEY_WOW64_64KEY, key)) {
    return {};
  }
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof(value) - sizeof(wchar_t);
  DWORD type = 0;
  if (::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return {};
  }
  return value;
}

}  // namespace

std::vector<std::wstring> ProgramFilesFolders() {
  std::vector<std::wstring> folders;
  for (int id : {csidl::kProgramFiles, kProgramFilesX86, csidl::kProgramFilesCommon,
                 kProgramFilesCommonX86}) {
    std::wstring folder = SpecialFolderPath(id);
    if (!folder.empty()) folders.push_back(std::move(folder));
  }
  for (const wchar_t* name : {L"ProgramW6432Dir", L"CommonW6432Dir"}) {
    std::wstring folder = CurrentVersionValue(name);
    // An unexpanded or relative value names no folder to trust.
    if (folder.size() >= 3 && folder[1] == L':' && folder[2] == L'\\' &&
        folder.find(L'%') == std::wstring::npos) {
      folders.push_back(std::move(folder));
    }
  }
  return folders;
}

bool IsInsideProgramFiles(const std::wstring& path) {
  for (const std::wstring& folder : ProgramFilesFolders()) {
    if (IsWithinFolder(path, folder)) return true;
  }
  return false;
}

}  // namespace qw
