// Provisional language state: English only, until the catalogue lands.
#include "i18n/language_state.h"

namespace qw {

namespace {
LanguageIndex g_current = kEnglish;
}

LanguageIndex GetLanguage() { return g_current; }
void SetLanguage(LanguageIndex index) { g_current = index; }
LanguageIndex DetectUserLanguage(std::uint32_t) { return kEnglish; }
LCID LanguageLcid(LanguageIndex) { return 1033; }
LCID CurrentLcid() { return g_current == kFrench ? 1036 : 1033; }
std::wstring LanguageNativeName(LanguageIndex) { return L"English"; }
bool IsRightToLeftLanguage(LanguageIndex index) { return index == 16; }
bool IsCurrentLanguageLeftToRight() { return true; }
bool IsCurrentLanguageRightToLeft() { return false; }
bool IsInstallerLanguage(LanguageIndex index) { return index == kEnglish; }
bool IsProductLanguage(LanguageIndex index) {
  return index >= 0 && index < kLanguageCount && ((kProductLanguageMask >> index) & 1);
}
HMODULE GetResourceModule() { return ::GetModuleHandleW(nullptr); }

std::uint32_t ResolveMessageId(MessageId baseId) { return baseId + 1000; }

std::wstring LoadMessage(MessageId baseId) {
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(GetResourceModule(), ResolveMessageId(baseId),
                                   reinterpret_cast<wchar_t*>(&text), 0);
  return length > 0 ? std::wstring(text, length) : std::wstring();
}

std::wstring FormatText(const std::wstring& text, const std::wstring& arg1,
                        const std::wstring& arg2) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'%' && i + 1 < text.size() && (text[i + 1] == L'1' || text[i + 1] == L'2')) {
      out += text[i + 1] == L'1' ? arg1 : arg2;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::wstring FormatMessageText(MessageId baseId, const std::wstring& arg1,
                               const std::wstring& arg2) {
  return FormatText(LoadMessage(baseId), arg1, arg2);
}

}  // namespace qw
