#include "platform/common_controls.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwctype>

#include "platform/module_file.h"

namespace qw {

namespace {

std::wstring Lower(std::wstring s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return s;
}

// The folder of the 6.0 assembly in the side-by-side store, for example
// C:\windows\winsxs\x86_microsoft.windows.common-controls_6595b64144ccf1df_6.0.2600.2982_none_deadbeef\COMCTL32.DLL
bool IsCommonControls6Assembly(const std::wstring& modulePath) {
  const std::wstring path = Lower(modulePath);
  return path.find(L"\\winsxs\\") != std::wstring::npos &&
         path.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.") != std::wstring::npos;
}

HMODULE FindCommonControls() {
  if (HMODULE loaded = ::GetModuleHandleW(L"comctl32.dll")) return loaded;
  if (HMODULE m = ::LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS)) return m;
  return ::LoadLibraryW(L"comctl32.dll");
}

}  // namespace

bool CommonControlsAcceptable(DWORD packedVersion, const std::wstring& modulePath) {
  return packedVersion >= kRequiredCommonControlsVersion || IsCommonControls6Assembly(modulePath);
}

bool InitializeCommonControls() {
  // Stays loaded for the life of the process: the dialogs use it.
  HMODULE module = FindCommonControls();
  bool acceptable = false;
  if (module) {
    auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
        reinterpret_cast<void*>(::GetProcAddress(module, "DllGetVersion")));
    DLLVERSIONINFO info{};
    info.cbSize = sizeof(info);
    if (getVersion && SUCCEEDED(getVersion(&info))) {
      const DWORD packed = (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF);
      acceptable = CommonControlsAcceptable(packed, ModuleFilePath(module));
    }
  }
  // Every class of the Windows 95 set, plus the standard controls and the
  // link control that version 6 adds.
  INITCOMMONCONTROLSEX classes{sizeof(classes),
                               ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
  ::InitCommonControlsEx(&classes);  // result ignored: the dialogs report missing classes
  return acceptable;
}

}  // namespace qw
