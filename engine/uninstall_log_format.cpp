#include "engine/uninstall_log_format.h"

#include "engine/uninstall_key.h"

namespace qw {
namespace {

std::wstring ZeroPadded(std::wstring digits, std::size_t width) {
  if (digits.size() < width) digits.insert(0, width - digits.size(), L'0');
  return digits;
}

std::wstring LowerHex(std::uint32_t value) {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring text;
  do {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return text;
}

}  // namespace

std::wstring FormatLogHeader(const std::wstring& productDisplayName,
                             const std::wstring& installFolder,
                             const std::wstring& startMenuFolder,
                             const std::wstring& previousProductText) {
  std::wstring install = std::wstring(kLogInstallMarker) + L" " + productDisplayName;
  if (!previousProductText.empty()) install += L" -- Update (" + previousProductText + L")";
  const std::wstring shortcutPath = kLogShortcutPathMarker + startMenuFolder;
  const std::wstring lines[] = {
      std::wstring(kLogVersionMarker) + std::to_wstring(kUninstallLogVersion),
      L"############ WARNING: Do not delete or modify this file. ############",
      install,
      kLogInstallPathMarker + installFolder,
      shortcutPath,
      std::wstring(shortcutPath.size(), L'-'),  // as long as line 5
  };
  std::wstring header;
  for (const std::wstring& line : lines) header += kLogHeaderPrefix + line + kLogLineEnd;
  return header;
}

std::wstring FormatLogEntryLine(std::uint32_t sequenceNumber, const JournalEntry& entry) {
  const std::uint32_t code = (static_cast<std::uint32_t>(entry.kind) << 8) |
                             (static_cast<std::uint32_t>(entry.value) & 0xFF);
  return ZeroPadded(std::to_wstring(sequenceNumber), 4) + L":" + ZeroPadded(LowerHex(code), 4) +
         L":" + (entry.done ? L"1" : L"0") + L" -- " + entry.path + kLogLineEnd;
}

std::wstring UninstallKeyLogText(const std::wstring& productKey) {
  return L"HKEY_LOCAL_MACHINE\\" + UninstallKeyPath(productKey);
}

}  // namespace qw
