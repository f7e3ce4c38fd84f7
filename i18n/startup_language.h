#pragma once
// The language recorded for the product by an earlier installation.

#include <optional>
#include <string>

#include "i18n/language_state.h"

namespace qw {

// "QwLanguage" of the product's uninstall key under HKEY_LOCAL_MACHINE, read
// as a 4-byte value; nothing when it is missing or unreadable. The caller
// decides whether the value is a language it accepts.
std::optional<LanguageIndex> ReadStoredProductLanguage(const std::wstring& productKey);

}  // namespace qw
