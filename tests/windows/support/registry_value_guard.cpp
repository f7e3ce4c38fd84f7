#include "registry_value_guard.h"

#include <utility>

namespace qw::test {

RegistryValueGuard::RegistryValueGuard(HKEY root, std::wstring subkey, std::wstring name)
    : root_(root), subkey_(std::move(subkey)), name_(std::move(name)) {
  HKEY key = nullptr;
  keyExisted_ = ::RegOpenKeyExW(root_, subkey_.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
  if (!keyExisted_) return;
  DWORD size = 0;
  if (::RegQueryValueExW(key, name_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
    data_.resize(size);
    valueExisted_ =
        ::RegQueryValueExW(key, name_.c_str(), nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
    data_.resize(size);
  }
  ::RegCloseKey(key);
}

RegistryValueGuard::~RegistryValueGuard() {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root_, subkey_.c_str(), 0, KEY_SET_VALUE | KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
  if (valueExisted_) {
    ::RegSetValueExW(key, name_.c_str(), 0, type_, data_.data(), static_cast<DWORD>(data_.size()));
  } else {
    ::RegDeleteValueW(key, name_.c_str());
  }
  DWORD values = 0, subkeys = 0;
  const bool empty = ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                        nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                     values == 0 && subkeys == 0;
  ::RegCloseKey(key);
  if (!keyExisted_ && empty) ::RegDeleteKeyW(root_, subkey_.c_str());
}

bool SetRegistryValue(HKEY root, const std::wstring& subkey, const std::wstring& name, DWORD type,
                      const void* data, DWORD size) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const bool set = ::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size) ==
                   ERROR_SUCCESS;
  ::RegCloseKey(key);
  return set;
}

bool SetRegistryString(HKEY root, const std::wstring& subkey, const std::wstring& name,
                       const std::wstring& text) {
  return SetRegistryValue(root, subkey, name, REG_SZ, text.c_str(),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void DeleteRegistryValue(HKEY root, const std::wstring& subkey, const std::wstring& name) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, subkey.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  ::RegDeleteValueW(key, name.c_str());
  ::RegCloseKey(key);
}

}  // namespace qw::test
