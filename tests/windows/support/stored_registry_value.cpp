#include "stored_registry_value.h"

#include <algorithm>
#include <vector>

namespace qw::test {

std::wstring StoredString(HKEY root, const std::wstring& key, const std::wstring& name) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return L"<none>";
  DWORD type = REG_NONE, size = 0;
  LONG status = ::RegQueryValueExW(opened, name.c_str(), nullptr, &type, nullptr, &size);
  std::vector<BYTE> bytes(size);
  if (status == ERROR_SUCCESS && size > 0) {
    status = ::RegQueryValueExW(opened, name.c_str(), nullptr, &type, bytes.data(), &size);
  }
  ::RegCloseKey(opened);
  if (status != ERROR_SUCCESS) return L"<none>";
  if (type != REG_SZ) return L"<type " + std::to_wstring(type) + L">";
  const std::wstring sized = L"<" + std::to_wstring(size) + L" bytes";
  if (size % sizeof(wchar_t) != 0) return sized + L", an odd size>";
  std::wstring text(size / sizeof(wchar_t), L'\0');
  if (size > 0) std::copy(bytes.begin(), bytes.begin() + size, reinterpret_cast<BYTE*>(&text[0]));
  if (text.empty() || text.back() != L'\0') return sized + L", no terminator>";
  text.pop_back();
  if (text.find(L'\0') != std::wstring::npos) return sized + L", a zero inside>";
  return text;
}

}  // namespace qw::test
