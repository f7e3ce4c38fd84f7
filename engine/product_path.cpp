#include "engine/product_path.h"

#include "engine/product_registry.h"
#include "platform/handles.h"

namespace qw {

bool RegisterProductPath(const std::wstring& programPath, const std::wstring& productKey,
                         const ProductPathLocation& location) {
  HKEY raw = nullptr;
  DWORD disposition = 0;
  if (::RegCreateKeyExW(location.root, location.subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &raw, &disposition) != ERROR_SUCCESS) {
    return false;
  }
  UniqueRegKey key(raw);
  const std::wstring name = ProductPathValueName(productKey);
  const auto bytes = static_cast<DWORD>((programPath.size() + 1) * sizeof(wchar_t));
  const bool written = ::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(programPath.c_str()),
                                        bytes) == ERROR_SUCCESS;
  key.reset();
  // A failed run is rolled back; a key it made for nothing must not stay.
  if (!written && disposition == REG_CREATED_NEW_KEY) {
    ::RegDeleteKeyW(location.root, location.subkey.c_str());
  }
  return written;
}

}  // namespace qw
