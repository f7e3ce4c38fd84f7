#include "app/default_folders.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>

#include "app/install_context.h"
#include "app/product_identity.h"

namespace qw {

namespace {

// `base` with the maker name and the product key appended as components.
std::wstring MakerProductFolder(const wchar_t* base) {
  wchar_t path[MAX_PATH + 1] = {};
  std::wcsncpy(path, base, MAX_PATH);
  ::PathAppendW(path, ProductIdentity::kMakerName);
  ::PathAppendW(path, InstallContext::ProductKey().c_str());
  return path;
}

}  // namespace

std::wstring DefaultInstallFolder() {
  wchar_t programFiles[MAX_PATH + 1] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
  return MakerProductFolder(programFiles);
}

std::wstring DefaultStartMenuFolder() {
  wchar_t programs[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT,
                                programs)) ||
      programs[0] == L'\0') {
    programs[0] = L'\0';
    ::SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs);
  }
  return MakerProductFolder(programs);
}

}  // namespace qw
