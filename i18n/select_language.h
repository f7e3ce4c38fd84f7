#pragma once
// The language choice of the Start page: makes the chosen language current
// (English when the installer has no texts in it, after telling the user),
// installs the title in the new language as the application name and asks
// the wizard frame to re-label itself. It does not record anything: the
// install sequence records the current language later.

#include "i18n/language_state.h"

namespace qw {

void SelectLanguage(LanguageIndex index);

}  // namespace qw
