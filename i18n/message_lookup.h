#pragma once
// The lookup of installer messages: a MessageId names a message in every
// language; its text comes from the string table of the current language
// (i18n/language_state.h), falling back to English and then French where a
// copy is a missing translation ("#"). It does not pretend to be MFC's
// string loading: only the installer's own messages go through it.

#include "i18n/message_id.h"

#include <cstdint>
#include <string>

namespace qw {

// The string-resource identifier to load for `baseId` in the current
// language: the current language's copy, else the English copy, else the
// French one. A language without installer texts reads as English.
std::uint32_t ResolveMessageId(MessageId baseId);

// The text of ResolveMessageId(baseId); empty when that resource does not
// exist.
std::wstring LoadMessage(MessageId baseId);

// Replaces every "%1" and "%2" in `text` with the first and second argument;
// every other character, including other "%" sequences, stays as it is.
std::wstring FormatText(const std::wstring& text, const std::wstring& arg1,
                        const std::wstring& arg2 = std::wstring());

// The text of `baseId` in the language with index `language` (0 to 17),
// without falling back: empty where that language has no translation. For
// names that an earlier run may have made in any language.
std::wstring LoadMessageInLanguage(std::int32_t language, MessageId baseId);

// LoadMessage followed by FormatText.
std::wstring FormatMessageText(MessageId baseId, const std::wstring& arg1,
                               const std::wstring& arg2 = std::wstring());

}  // namespace qw
