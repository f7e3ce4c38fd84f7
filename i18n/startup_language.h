#pragma once
// The language start-up chooses before the first message: the user's own
// language among the product languages, unless an earlier installation
// recorded another product language, and English when the installer has no
// texts in the result.

#include <optional>
#include <string>

#include "i18n/language_state.h"

namespace qw {

// "QwLanguage" of the product's uninstall key (`uninstallKeyPath`, relative
// to HKEY_LOCAL_MACHINE), read as a 4-byte value; nothing when it is missing
// or unreadable. The caller decides whether the value is a language it
// accepts.
std::optional<LanguageIndex> ReadStoredProductLanguage(const std::wstring& uninstallKeyPath);

// Makes the start-up language current: DetectUserLanguage over the product
// languages, replaced by the product language stored in the uninstall key
// at `uninstallKeyPath` when that is a product language, then English when
// the installer has no texts in it.
void SelectStartupLanguage(const std::wstring& uninstallKeyPath);

}  // namespace qw
