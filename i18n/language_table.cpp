// What the installer knows about each of its languages: LCID, message block,
// membership of the product and installer languages, and what the system's
// locale data says about name and writing direction.
#include "i18n/language_state.h"

#include <array>
#include <iterator>

namespace qw {

namespace {

struct LanguageFacts {
  LCID lcid;
  std::uint32_t blockOffset;
  bool installerTexts;
};

// Indexed by LanguageIndex. The blocks of the string tables were laid out in
// another order than the indexes: Italian is the 6000 block, Chinese 10000.
constexpr std::array<LanguageFacts, kLanguageCount> kLanguages = {{
    {1036, 0, true},       // French
    {1033, 1000, true},    // English
    {1031, 2000, true},    // German
    {3082, 3000, true},    // Spanish
    {2070, 4000, true},    // Portuguese
    {1043, 6000, false},   // Dutch
    {1030, 7000, false},   // Danish
    {1055, 8000, true},    // Turkish
    {1026, 10000, false},  // Bulgarian
    {1048, 11000, true},   // Romanian
    {2052, 9000, false},   // Chinese (Simplified)
    {1040, 5000, true},    // Italian
    {1029, 12000, false},  // Czech
    {1044, 13000, false},  // Norwegian
    {1032, 14000, false},  // Greek
    {1045, 15000, false},  // Polish
    {1037, 16000, false},  // Hebrew
    {1066, 17000, false},  // Vietnamese
}};

bool IsLanguage(LanguageIndex index) { return index >= 0 && index < kLanguageCount; }

// The fourth Unicode-subset word of the font signature, bit 27: subset 123,
// right-to-left layout.
constexpr int kSignatureWords = sizeof(LOCALESIGNATURE) / sizeof(wchar_t);
constexpr DWORD kRightToLeftLayoutBit = 1u << 27;

}  // namespace

LCID LanguageLcid(LanguageIndex index) {
  return IsLanguage(index) ? kLanguages[index].lcid : kLanguages[kFrench].lcid;
}

std::uint32_t MessageBlockOffset(LanguageIndex index) {
  return IsLanguage(index) ? kLanguages[index].blockOffset : 0;
}

bool IsInstallerLanguage(LanguageIndex index) {
  return IsLanguage(index) && kLanguages[index].installerTexts;
}

bool IsProductLanguage(LanguageIndex index) {
  return IsLanguage(index) && ((kProductLanguageMask >> index) & 1u) != 0;
}

LCID UserPreferredLcid(LanguageIndex index) {
  const LCID language = LanguageLcid(index);
  const LCID user = ::GetUserDefaultLCID();
  return LANGIDFROMLCID(user) == LANGIDFROMLCID(language) ? user : language;
}

std::wstring LanguageNativeName(LanguageIndex index) {
  wchar_t name[LOCALE_NAME_MAX_LENGTH * 2] = {};
  const int length = ::GetLocaleInfoW(UserPreferredLcid(index), LOCALE_SNATIVELANGNAME, name,
                                      static_cast<int>(std::size(name)));
  if (length <= 1) return std::wstring();
  ::CharUpperBuffW(name, 1);
  return std::wstring(name);
}

bool IsRightToLeftLanguage(LanguageIndex index) {
  LOCALESIGNATURE signature = {};
  if (::GetLocaleInfoW(LanguageLcid(index), LOCALE_FONTSIGNATURE,
                       reinterpret_cast<wchar_t*>(&signature), kSignatureWords) < kSignatureWords) {
    return index == kHebrew;
  }
  return (signature.lsUsb[3] & kRightToLeftLayoutBit) != 0;
}

bool IsCurrentLanguageLeftToRight() { return !IsRightToLeftLanguage(GetLanguage()); }

bool IsCurrentLanguageRightToLeft() { return IsRightToLeftLanguage(GetLanguage()); }

}  // namespace qw
