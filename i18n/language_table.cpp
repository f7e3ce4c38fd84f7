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
  int flagIcon;
};

// Indexed by LanguageIndex: LCID, message block, installer texts, flag icon.
// The blocks of the string tables were laid out in another order than the
// indexes: Italian is the 6000 block, Chinese 10000.
constexpr std::array<LanguageFacts, kLanguageCount> kLanguages = {{
    {1036, 0, true, 144},      // French
    {1033, 1000, true, 145},   // English
    {1031, 2000, true, 141},   // German
    {3082, 3000, true, 143},   // Spanish
    {2070, 4000, true, 148},   // Portuguese
    {1043, 6000, false, 147},  // Dutch
    {1030, 7000, false, 142},  // Danish
    {1055, 8000, true, 149},   // Turkish
    {1026, 10000, false, 150}, // Bulgarian
    {1048, 11000, true, 151},  // Romanian
    {2052, 9000, false, 152},  // Chinese (Simplified)
    {1040, 5000, true, 146},   // Italian
    {1029, 12000, false, 153}, // Czech
    {1044, 13000, false, 154}, // Norwegian
    {1032, 14000, false, 155}, // Greek
    {1045, 15000, false, 156}, // Polish
    {1037, 16000, false, 157}, // Hebrew
    {1066, 17000, false, 158}, // Vietnamese
}};

bool IsLanguage(LanguageIndex index) { return index >= 0 && index < kLanguageCount; }

// The fourth Unicode-subset word of the font signature, bit 27: subset 123,
// right-to-left layout.
constexpr int kSignatureWords = sizeof(LOCALESIGNATURE) / sizeof(wchar_t);
constexpr DWORD kRightToLeftLayoutBit = 1u << 27;

}  // namespace

const std::array<LanguageIndex, kProductLanguageCount> kProductLanguageListOrder = {
    kFrench, kEnglish, kGerman, kSpanish, kItalian, kPortuguese, kDutch,
    kGreek,  kTurkish, kRomanian, kChineseSimplified, kHebrew, kVietnamese};

int LanguageFlagIcon(LanguageIndex index) { return IsLanguage(index) ? kLanguages[index].flagIcon : 0; }

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
