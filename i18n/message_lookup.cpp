#include "i18n/message_lookup.h"

#include "i18n/language_state.h"

namespace qw {

namespace {

constexpr std::uint32_t kEnglishBlockOffset = 1000;

// The text of string resource `id` of the resource module; empty when it
// does not exist.
std::wstring LoadStringResource(std::uint32_t id) {
  const wchar_t* text = nullptr;
  // With a buffer size of 0, LoadStringW hands out a read-only pointer into
  // the resource itself: no length limit, no copy.
  const int length = ::LoadStringW(GetResourceModule(), id, reinterpret_cast<wchar_t*>(&text), 0);
  return length > 0 && text ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

bool IsMissingTranslation(std::uint32_t id) { return LoadStringResource(id) == L"#"; }

}  // namespace

std::uint32_t ResolveMessageId(MessageId baseId) {
  LanguageIndex language = GetLanguage();
  if (!IsInstallerLanguage(language)) language = kEnglish;
  if (language == kFrench) return baseId;
  const std::uint32_t candidate = baseId + MessageBlockOffset(language);
  if (!IsMissingTranslation(candidate)) return candidate;
  if (language == kEnglish) return baseId;
  const std::uint32_t english = baseId + kEnglishBlockOffset;
  return IsMissingTranslation(english) ? baseId : english;
}

std::wstring LoadMessage(MessageId baseId) { return LoadStringResource(ResolveMessageId(baseId)); }

std::wstring LoadMessageInLanguage(std::int32_t language, MessageId baseId) {
  if (language < 0 || language >= kLanguageCount) return std::wstring();
  const std::wstring text = LoadStringResource(baseId + MessageBlockOffset(language));
  return text == L"#" ? std::wstring() : text;
}

std::wstring FormatText(const std::wstring& text, const std::wstring& arg1,
                        const std::wstring& arg2) {
  std::wstring out;
  out.reserve(text.size() + arg1.size() + arg2.size());
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
