#include "installer_strings.h"

#include "build_tree.h"

namespace qw::test {

std::wstring InstallerString(UINT id) {
  HMODULE module = ::LoadLibraryExW(QW_TEST_INSTALLER, nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return std::wstring();
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
  std::wstring result = length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
  ::FreeLibrary(module);
  return result;
}

std::wstring SystemText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
  ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
  return text;
}

}  // namespace qw::test
