#pragma once
// The process-wide language state: the current language of the installer's
// texts, its locale and the module that texts are loaded from, and the
// lookup of installer messages in the current language.

#include <windows.h>

#include <cstdint>
#include <string>

namespace qw {

// 0 French, 1 English, 2 German, 3 Spanish, 4 Portuguese, 5 Dutch, 6 Danish,
// 7 Turkish, 8 Bulgarian, 9 Romanian, 10 Chinese (Simplified), 11 Italian,
// 12 Czech, 13 Norwegian, 14 Greek, 15 Polish, 16 Hebrew, 17 Vietnamese.
using LanguageIndex = std::int32_t;
// Base identifier of an installer message (the French copy), 1000 to 1132.
using MessageId = std::uint32_t;

constexpr LanguageIndex kFrench = 0;
constexpr LanguageIndex kEnglish = 1;
constexpr LanguageIndex kLanguageCount = 18;
// Bit n set for each product language n.
constexpr std::uint32_t kProductLanguageMask = 0x34EBF;

LanguageIndex GetLanguage();
void SetLanguage(LanguageIndex index);
LanguageIndex DetectUserLanguage(std::uint32_t mask);
LCID LanguageLcid(LanguageIndex index);
LCID CurrentLcid();
std::wstring LanguageNativeName(LanguageIndex index);
bool IsRightToLeftLanguage(LanguageIndex index);
bool IsCurrentLanguageLeftToRight();
bool IsCurrentLanguageRightToLeft();
bool IsInstallerLanguage(LanguageIndex index);
bool IsProductLanguage(LanguageIndex index);
HMODULE GetResourceModule();

// String-resource identifier of `baseId` in the current language.
std::uint32_t ResolveMessageId(MessageId baseId);
// Text of the message in the current language; empty when missing.
std::wstring LoadMessage(MessageId baseId);
// Replaces "%1" and "%2" with the arguments.
std::wstring FormatText(const std::wstring& text, const std::wstring& arg1,
                        const std::wstring& arg2 = std::wstring());
// LoadMessage followed by FormatText.
std::wstring FormatMessageText(MessageId baseId, const std::wstring& arg1,
                               const std::wstring& arg2 = std::wstring());

}  // namespace qw
