#include "engine/registry_string.h"

#include <cstring>
#include <system_error>
#include <vector>

#include "platform/handles.h"
#include "platform/registry_key.h"

namespace qw {

namespace {

[[noreturn]] void ThrowRegistryError(LONG status, const char* what) {
  throw std::system_error(static_cast<int>(status), std::system_category(), what);
}

}  // namespace

std::optional<std::wstring> ReadRegistryString(HKEY root, const std::wstring& subkey,
                                               const std::wstring& name) {
  UniqueRegKey key;
  if (const std::error_code error = OpenRegKey(root, subkey, KEY_QUERY_VALUE, key)) {
    if (error.value() == ERROR_FILE_NOT_FOUND) return std::nullopt;
    ThrowRegistryError(error.value(), "RegOpenKeyExW");
  }
  LONG status = ERROR_SUCCESS;

  // The value may change between the size query and the read: ask again
  // while it grows.
  std::vector<BYTE> data;
  DWORD type = 0;
  DWORD size = 0;
  for (;;) {
    size = static_cast<DWORD>(data.size());
    status = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                                data.empty() ? nullptr : data.data(), &size);
    if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (status == ERROR_MORE_DATA || (status == ERROR_SUCCESS && data.empty() && size > 0)) {
      data.resize(size);
      continue;
    }
    if (status != ERROR_SUCCESS) ThrowRegistryError(status, "RegQueryValueExW");
    break;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  if (size % sizeof(wchar_t) != 0) return std::nullopt;
  const std::size_t characters = size / sizeof(wchar_t);
  if (characters == 0) return std::wstring();
  std::wstring text(characters, L'\0');
  std::memcpy(text.data(), data.data(), size);
  if (text.back() != L'\0') return std::nullopt;
  text.pop_back();
  return text;
}

}  // namespace qw
