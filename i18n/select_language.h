#pragma once
// The user's choice of a language on the Start page: makes it current (or
// English, after telling the user, when the installer has no texts in it),
// installs the new window title as the application name and re-labels the
// wizard.

#include "i18n/language_state.h"

namespace qw {

void SelectLanguage(LanguageIndex index);

}  // namespace qw
