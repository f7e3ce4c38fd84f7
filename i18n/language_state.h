#pragma once
// The installer's eighteen languages and the one process-wide language state:
// the current language, its LCID, the locale applied to the process and the
// module that localized resources are loaded from. Created on first use and
// kept until the process ends. It does not pretend to be a general locale
// service: it knows the installer's languages and nothing else.
//
// Messages (the lookup of a MessageId in the current language) are declared
// in i18n/message_lookup.h; the Start page's language choice in
// i18n/select_language.h.

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "i18n/message_lookup.h"

namespace qw {

// 0 French, 1 English, 2 German, 3 Spanish, 4 Portuguese, 5 Dutch, 6 Danish,
// 7 Turkish, 8 Bulgarian, 9 Romanian, 10 Chinese (Simplified), 11 Italian,
// 12 Czech, 13 Norwegian, 14 Greek, 15 Polish, 16 Hebrew, 17 Vietnamese.
using LanguageIndex = std::int32_t;

constexpr LanguageIndex kFrench = 0;
constexpr LanguageIndex kEnglish = 1;
constexpr LanguageIndex kGerman = 2;
constexpr LanguageIndex kSpanish = 3;
constexpr LanguageIndex kPortuguese = 4;
constexpr LanguageIndex kDutch = 5;
constexpr LanguageIndex kDanish = 6;
constexpr LanguageIndex kTurkish = 7;
constexpr LanguageIndex kBulgarian = 8;
constexpr LanguageIndex kRomanian = 9;
constexpr LanguageIndex kChineseSimplified = 10;
constexpr LanguageIndex kItalian = 11;
constexpr LanguageIndex kCzech = 12;
constexpr LanguageIndex kNorwegian = 13;
constexpr LanguageIndex kGreek = 14;
constexpr LanguageIndex kPolish = 15;
constexpr LanguageIndex kHebrew = 16;
constexpr LanguageIndex kVietnamese = 17;
constexpr LanguageIndex kLanguageCount = 18;

// Bit n set for each product language n: the languages the user may choose
// for the product.
constexpr std::uint32_t kProductLanguageMask = 0x34EBF;
constexpr std::size_t kProductLanguageCount = 13;

// The product languages in the order of the Start page's language list.
extern const std::array<LanguageIndex, kProductLanguageCount> kProductLanguageListOrder;

// The language's flag icon resource (141 to 158, 18 x 12); 0 outside 0 to 17.
int LanguageFlagIcon(LanguageIndex index);

// The current language (French until something else is set).
LanguageIndex GetLanguage();

// Makes `index` the current language. When it differs from the current one,
// the language's locale is applied to the process first (errors ignored).
// The LCID becomes UserPreferredLcid(index). The resource module is
// forgotten and found again on next use. An index outside 0 to 17 is not a
// language and leaves the state unchanged.
void SetLanguage(LanguageIndex index);

// The installer language of the user's default language (Chinese only in its
// Simplified and Singapore forms) when `mask` has its bit; otherwise English
// when `mask` has English's bit, else French. A mask of 0 stands for the
// state's default mask (French only).
LanguageIndex DetectUserLanguage(std::uint32_t mask);

// The language's LCID; 1036 (French) for any index outside 1 to 17.
LCID LanguageLcid(LanguageIndex index);

// The LCID the state takes for the language: the user's default LCID when
// it has the language's language id (a user-specific sort order stays),
// otherwise LanguageLcid(index).
LCID UserPreferredLcid(LanguageIndex index);

// The LCID of the current language: UserPreferredLcid(GetLanguage()).
LCID CurrentLcid();

// The language's own name with its first character in upper case (for
// example "Deutsch"); empty when the system has no name for it.
std::wstring LanguageNativeName(LanguageIndex index);

// Whether the language is written right to left, from the locale's font
// signature; when that cannot be read, true exactly for Hebrew.
bool IsRightToLeftLanguage(LanguageIndex index);
bool IsCurrentLanguageLeftToRight();
bool IsCurrentLanguageRightToLeft();

// The languages the installer's own texts are complete in: 0, 1, 2, 3, 4,
// 7, 9 and 11.
bool IsInstallerLanguage(LanguageIndex index);
// The languages of kProductLanguageMask; false outside 0 to 17.
bool IsProductLanguage(LanguageIndex index);

// What the language's copy of a message adds to the MessageId: French is
// the base block, and the block order is not the index order (Italian 5000,
// Chinese 9000). 0 for an index outside 0 to 17.
std::uint32_t MessageBlockOffset(LanguageIndex index);

// The module that texts and other localized resources are loaded from: the
// installer's own executable unless a test has pointed it elsewhere.
HMODULE GetResourceModule();

// Test seam: loads localized resources from `module` (for example the built
// installer loaded as a data file) instead of the running executable, until
// called again; null restores the executable. The caller keeps the module
// loaded while it is in use.
void SetResourceModuleForTesting(HMODULE module);

}  // namespace qw
