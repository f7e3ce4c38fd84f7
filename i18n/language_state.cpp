// The process-wide language state: created on first use, kept until the
// process ends, changed only through SetLanguage.
#include "i18n/language_state.h"

#include "i18n/process_locale.h"

namespace qw {

namespace {

struct LanguageState {
  std::uint32_t defaultMask = 1;  // French only
  LanguageIndex current = kFrench;
  LCID lcid = 0;
  HMODULE resourceModule = nullptr;
};

HMODULE g_testResourceModule = nullptr;

LanguageState CreateLanguageState() {
  LanguageState state;
  state.lcid = UserPreferredLcid(state.current);
  UseProcessWideRuntimeLocale();
  ApplyLanguageLocale(LanguageLcid(state.current));
  ::SetThreadLocale(state.lcid);
  return state;
}

// Thread-safe one-time initialisation through the function-local static.
LanguageState& State() {
  static LanguageState state = CreateLanguageState();
  return state;
}

struct UserLanguageMapping {
  WORD primaryLanguage;
  LanguageIndex index;
};

constexpr UserLanguageMapping kUserLanguages[] = {
    {LANG_FRENCH, kFrench},     {LANG_ENGLISH, kEnglish},   {LANG_GERMAN, kGerman},
    {LANG_SPANISH, kSpanish},   {LANG_PORTUGUESE, kPortuguese}, {LANG_DUTCH, kDutch},
    {LANG_DANISH, kDanish},     {LANG_TURKISH, kTurkish},   {LANG_BULGARIAN, kBulgarian},
    {LANG_ROMANIAN, kRomanian}, {LANG_ITALIAN, kItalian},   {LANG_CZECH, kCzech},
    {LANG_NORWEGIAN, kNorwegian}, {LANG_GREEK, kGreek},     {LANG_POLISH, kPolish},
    {LANG_HEBREW, kHebrew},     {LANG_VIETNAMESE, kVietnamese},
};

// The installer language of a Windows language id; -1 when there is none.
// Chinese counts only in its Simplified and Singapore forms.
LanguageIndex LanguageOfLangId(LANGID langId) {
  const WORD primary = PRIMARYLANGID(langId);
  if (primary == LANG_CHINESE) {
    const WORD sub = SUBLANGID(langId);
    return sub == SUBLANG_CHINESE_SIMPLIFIED || sub == SUBLANG_CHINESE_SINGAPORE
               ? kChineseSimplified
               : -1;
  }
  for (const UserLanguageMapping& mapping : kUserLanguages) {
    if (mapping.primaryLanguage == primary) return mapping.index;
  }
  return -1;
}

bool MaskHas(std::uint32_t mask, LanguageIndex index) {
  return index >= 0 && index < kLanguageCount && ((mask >> index) & 1u) != 0;
}

}  // namespace

LanguageIndex GetLanguage() { return State().current; }

void SetLanguage(LanguageIndex index) {
  if (index < 0 || index >= kLanguageCount) return;
  LanguageState& state = State();
  if (index != state.current) ApplyLanguageLocale(LanguageLcid(index));
  state.current = index;
  state.lcid = UserPreferredLcid(index);
  state.resourceModule = nullptr;
}

LanguageIndex DetectUserLanguage(std::uint32_t mask) {
  if (mask == 0) mask = State().defaultMask;
  const LanguageIndex fallback = MaskHas(mask, kEnglish) ? kEnglish : kFrench;
  const LanguageIndex user = LanguageOfLangId(::GetUserDefaultLangID());
  return MaskHas(mask, user) ? user : fallback;
}

LCID CurrentLcid() { return State().lcid; }

HMODULE GetResourceModule() {
  LanguageState& state = State();
  if (!state.resourceModule) {
    state.resourceModule = g_testResourceModule ? g_testResourceModule : ::GetModuleHandleW(nullptr);
  }
  return state.resourceModule;
}

void SetResourceModuleForTesting(HMODULE module) {
  g_testResourceModule = module;
  State().resourceModule = nullptr;
}

}  // namespace qw
