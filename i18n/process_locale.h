#pragma once
// The locale that the current language gives the process: collation,
// character classification and times follow the language, numbers and money
// stay as in the classic "C" locale. Applied by the language state only; it
// does not pretend to localize number formatting.

#include <windows.h>

namespace qw {

// Makes the runtime library keep one locale for the whole process rather
// than one per thread.
void UseProcessWideRuntimeLocale();

// Applies the locale of the language with `languageLcid` to the standard
// library and the runtime library. The user's default locale is used when
// the language shares the user's primary language. Never fails: a locale
// that cannot be set leaves the categories concerned as they were (the
// standard library then takes the classic facets).
void ApplyLanguageLocale(LCID languageLcid);

}  // namespace qw
