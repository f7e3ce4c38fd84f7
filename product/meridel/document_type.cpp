#include "product/meridel/document_type.h"

#include <windows.h>
#include <shlwapi.h>

#include "platform/handles.h"
#include "platform/registry_key.h"

namespace qw::meridel {

namespace {

std::error_code RegistryError(LONG status) {
  return std::error_code(static_cast<int>(status), std::system_category());
}

// Sets the default value of HKEY_CLASSES_ROOT\`subkey`, creating the key.
std::error_code SetDefault(const std::wstring& subkey, const std::wstring& text) {
  UniqueRegKey key;
  if (const std::error_code error = CreateRegKey(HKEY_CLASSES_ROOT, subkey, KEY_SET_VALUE, key)) return error;
  const LONG status = ::RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  return status == ERROR_SUCCESS ? std::error_code() : RegistryError(status);
}

// The default value of HKEY_CLASSES_ROOT\`subkey`, or empty.
std::wstring DefaultOf(const std::wstring& subkey) {
  wchar_t text[256] = {};
  DWORD size = sizeof text - sizeof(wchar_t);
  if (::RegGetValueW(HKEY_CLASSES_ROOT, subkey.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text, &size) !=
      ERROR_SUCCESS) {
    return std::wstring();
  }
  return text;
}

// Whether the key holds no value but its default and no subkey.
bool HoldsOnlyItsDefault(const std::wstring& subkey) {
  UniqueRegKey key;
  if (OpenRegKey(HKEY_CLASSES_ROOT, subkey, KEY_QUERY_VALUE, key)) return false;
  DWORD subkeys = 0, values = 0;
  if (::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return subkeys == 0 && values <= 1;
}

}  // namespace

std::wstring OpenCommand(const std::wstring& programPath) {
  return L"\"" + programPath + L"\" \"%1\"";
}

std::error_code RegisterDocumentType(const std::wstring& programPath) {
  const std::wstring progId = kProjectProgId;
  const struct {
    std::wstring subkey;
    std::wstring text;
  } values[] = {
      {progId, L"Meridel Project"},
      {progId + L"\\DefaultIcon", programPath + L",0"},
      {progId + L"\\shell\\open\\command", OpenCommand(programPath)},
      {kProjectExtension, progId},
  };
  for (const auto& value : values) {
    if (const std::error_code error = SetDefault(value.subkey, value.text)) return error;
  }
  return {};
}

std::error_code UnregisterDocumentType() {
  if (DefaultOf(kProjectExtension) == kProjectProgId && HoldsOnlyItsDefault(kProjectExtension)) {
    const LONG status = ::RegDeleteKeyW(HKEY_CLASSES_ROOT, kProjectExtension);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return RegistryError(status);
  }
  const LONG status = ::SHDeleteKeyW(HKEY_CLASSES_ROOT, kProjectProgId);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return RegistryError(status);
  return {};
}

}  // namespace qw::meridel
