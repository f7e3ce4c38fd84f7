#pragma once
// The texts the sample program shows, read from the product's language
// library for the user's language: Lang\Meridel.<language>.dll next to the
// program, where <language> is the two-letter ISO 639 name of the user's
// user-interface language. A missing or unreadable library falls back to
// the English one and then to the English texts built into the program, so
// the window always has something to say.

#include <windows.h>

#include <string>

namespace qw::meridel {

struct ProductTexts {
  std::wstring title;
  std::wstring description;
  std::wstring languageName;
  std::wstring maker;
  std::wstring libraryFile;  // the library the texts came from; empty for the built-in ones
};

// Never fails: see above for the fallbacks.
ProductTexts LoadProductTexts();

// The library file for `isoLanguage` next to the program
// (<program folder>\Lang\Meridel.<isoLanguage>.dll); empty when the
// program's own path cannot be read.
std::wstring LanguageLibraryPath(const std::wstring& isoLanguage);

}  // namespace qw::meridel
