#pragma once
// Opening a registry key into its owner (UniqueRegKey, platform/handles.h):
// the one place that calls RegOpenKeyExW and RegCreateKeyExW, so that no
// caller holds a raw HKEY it must remember to close. It does not pretend to
// wrap the reading and writing of values; callers keep their own.

#include <windows.h>

#include <string>
#include <system_error>

#include "platform/handles.h"

namespace qw {

// Opens `subkey` of `root` with `access` into `key`, closing what `key`
// held first. Returns the system's status: empty on success; otherwise
// (ERROR_FILE_NOT_FOUND for a key that does not exist) `key` is left empty.
inline std::error_code OpenRegKey(HKEY root, const std::wstring& subkey, REGSAM access, UniqueRegKey& key) {
  key.reset();
  HKEY opened = nullptr;
  const LSTATUS status = ::RegOpenKeyExW(root, subkey.c_str(), 0, access, &opened);
  if (status != ERROR_SUCCESS) return {static_cast<int>(status), std::system_category()};
  key.reset(opened);
  return {};
}

// The same, creating the key (non-volatile, with the default security)
// and the missing keys on its way when it does not exist. `created`, when
// given, says whether the key itself was made by this call; on failure it
// is false.
inline std::error_code CreateRegKey(HKEY root, const std::wstring& subkey, REGSAM access, UniqueRegKey& key,
                                    bool* created = nullptr) {
  key.reset();
  if (created) *created = false;
  HKEY opened = nullptr;
  DWORD disposition = 0;
  const LSTATUS status = ::RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                           nullptr, &opened, &disposition);
  if (status != ERROR_SUCCESS) return {static_cast<int>(status), std::system_category()};
  key.reset(opened);
  if (created) *created = disposition == REG_CREATED_NEW_KEY;
  return {};
}

}  // namespace qw
