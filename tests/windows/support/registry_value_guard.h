#pragma once
// Test scaffolding: one registry value put back as it was at the end of a
// test (or removed, with its key when the test made the key), so that tests
// may change the machine's real records.

#include <windows.h>

#include <string>
#include <vector>

namespace qw::test {

class RegistryValueGuard {
 public:
  RegistryValueGuard(HKEY root, std::wstring subkey, std::wstring name);
  RegistryValueGuard(const RegistryValueGuard&) = delete;
  RegistryValueGuard& operator=(const RegistryValueGuard&) = delete;
  ~RegistryValueGuard();

 private:
  HKEY root_;
  std::wstring subkey_;
  std::wstring name_;
  bool keyExisted_ = false;
  bool valueExisted_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> data_;
};

// Creates the key when missing and sets the value; false on any failure.
bool SetRegistryValue(HKEY root, const std::wstring& subkey, const std::wstring& name, DWORD type,
                      const void* data, DWORD size);
bool SetRegistryString(HKEY root, const std::wstring& subkey, const std::wstring& name,
                       const std::wstring& text);
void DeleteRegistryValue(HKEY root, const std::wstring& subkey, const std::wstring& name);

}  // namespace qw::test
