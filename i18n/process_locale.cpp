#include "i18n/process_locale.h"

#include <clocale>
#include <locale>
#include <locale.h>
#include <string>

namespace qw {

namespace {

// The locale name for `languageLcid`: empty (the user's default locale) when
// the language has the user's primary language, else its LOCALE_SNAME such
// as "de-DE"; empty as well when the system has no name for it.
std::string LocaleNameFor(LCID languageLcid) {
  const LANGID user = ::GetUserDefaultLangID();
  if (PRIMARYLANGID(LANGIDFROMLCID(languageLcid)) == PRIMARYLANGID(user)) return std::string();
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  if (::GetLocaleInfoW(languageLcid, LOCALE_SNAME, name, LOCALE_NAME_MAX_LENGTH) <= 0) {
    return std::string();
  }
  // Locale names are ASCII.
  std::string narrow;
  for (const wchar_t* c = name; *c; ++c) narrow += static_cast<char>(*c);
  return narrow;
}

// The classic locale with collation, character classification and time
// taken from the named locale, or the classic locale itself when the
// standard library does not accept the name.
std::locale StandardLocaleFor(const std::string& name) {
  try {
    const std::locale named(name.c_str());
    return std::locale(std::locale::classic(), named,
                       std::locale::collate | std::locale::ctype | std::locale::time);
  } catch (const std::exception&) {
    return std::locale::classic();
  }
}

}  // namespace

void UseProcessWideRuntimeLocale() { _configthreadlocale(_DISABLE_PER_THREAD_LOCALE); }

void ApplyLanguageLocale(LCID languageLcid) {
  const std::string name = LocaleNameFor(languageLcid);
  try {
    std::locale::global(StandardLocaleFor(name));
  } catch (const std::exception&) {
    // The previous global locale stays.
  }
  // A category that does not accept the name keeps its previous setting.
  std::setlocale(LC_ALL, "C");
  std::setlocale(LC_CTYPE, name.c_str());
  std::setlocale(LC_COLLATE, name.c_str());
}

}  // namespace qw
