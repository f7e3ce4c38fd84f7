#include "platform/system_library.h"

#include <cwchar>
#include <string>

namespace qw {

namespace {

// Written once, by the first step of process initialisation, before any
// other code of the process runs.
bool g_restrictedToSystem = false;

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

bool IsPlainFileName(const wchar_t* name) {
  return name && *name && !std::wcspbrk(name, L"\\/:");
}

// Whether the process's manifest redirects `name` to a side-by-side
// assembly (comctl32.dll to the common controls 6.0); Windows resolves
// such a name there before it looks into any folder.
bool RedirectedBySideBySide(const wchar_t* name) {
  ACTCTX_SECTION_KEYED_DATA data{};
  data.cbSize = sizeof(data);
  return ::FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, name,
                                    &data) != FALSE;
}

// The full path of `name` in the system folder; empty when the folder is
// unknown.
std::wstring InSystemFolder(const wchar_t* name) {
  std::wstring folder(MAX_PATH, L'\0');
  UINT n = ::GetSystemDirectoryW(&folder[0], static_cast<UINT>(folder.size()));
  if (n >= folder.size()) {
    folder.resize(n);
    n = ::GetSystemDirectoryW(&folder[0], static_cast<UINT>(folder.size()));
  }
  if (n == 0 || n >= folder.size()) return {};
  folder.resize(n);
  if (folder.back() != L'\\') folder += L'\\';
  return folder + name;
}

}  // namespace

bool RestrictLibrarySearchToSystem() {
  // Looked up rather than imported: an import of a function that the system
  // lacks would keep the program from starting at all.
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(
                                 ::GetProcAddress(kernel, "SetDefaultDllDirectories")))
                           : nullptr;
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    g_restrictedToSystem = true;
    return true;
  }
  ::SetDllDirectoryW(L"");
  return false;
}

bool LibrarySearchRestrictedToSystem() { return g_restrictedToSystem; }

HMODULE LoadSystemLibrary(const wchar_t* name) {
  if (!IsPlainFileName(name)) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
  // Systems without the search flags refuse them as an invalid parameter;
  // any other error is the library's own.
  if (::GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
  if (RedirectedBySideBySide(name)) return ::LoadLibraryW(name);
  const std::wstring path = InSystemFolder(name);
  if (path.empty()) return nullptr;
  return ::LoadLibraryW(path.c_str());
}

}  // namespace qw
