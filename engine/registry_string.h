#pragma once
// Reading one string value of the registry the way the installer trusts
// what earlier installations left there: only a REG_SZ or REG_EXPAND_SZ
// (taken as stored, not expanded) of even size that ends in a zero when
// not empty counts as a string. It does not pretend to be a registry
// wrapper: one read, then the key is closed.

#include <windows.h>

#include <optional>
#include <string>

namespace qw {

// The string, or nullopt when the key or the value does not exist
// (ERROR_FILE_NOT_FOUND) or the value is not a string by the rules above.
// Any other registry error is thrown as std::system_error in the system
// category with the registry's code. Reads only; changes nothing.
std::optional<std::wstring> ReadRegistryString(HKEY root, const std::wstring& subkey,
                                               const std::wstring& name);

}  // namespace qw
