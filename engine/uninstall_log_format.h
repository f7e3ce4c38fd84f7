#pragma once
// The text of "Uninstall.ulog": its header lines and entry lines, as the
// separate uninstaller expects them. Builds lines only; writing them to a
// file (UTF-16LE with byte order mark) is UninstallLog's business.

#include <cstdint>
#include <string>

#include "engine/journal_entry.h"

namespace qw {

// The log's file name, in the folder of the uninstaller.
constexpr wchar_t kUninstallLogFileName[] = L"Uninstall.ulog";
constexpr wchar_t kLogLineEnd[] = L"\r\n";
constexpr wchar_t kLogHeaderPrefix[] = L"// ";
constexpr wchar_t kLogVersionMarker[] = L"Uninstall Log File v";
// The format version this code writes and the only one it reads.
constexpr int kUninstallLogVersion = 1;
constexpr wchar_t kLogInstallMarker[] = L"Install";
constexpr wchar_t kLogInstallPathMarker[] = L"Install Path : ";
constexpr wchar_t kLogShortcutPathMarker[] = L"Shortcut Path : ";
constexpr wchar_t kLogSelfRegistrationText[] = L"HKEY_CLASSES_ROOT\\...";

// The six header lines, each with its "// " prefix and CR LF.
// `previousProductText` empty: a first installation.
std::wstring FormatLogHeader(const std::wstring& productDisplayName,
                             const std::wstring& installFolder,
                             const std::wstring& startMenuFolder,
                             const std::wstring& previousProductText);

// "%04d:%04x:%d -- text" with CR LF. The text is the entry's path.
std::wstring FormatLogEntryLine(std::uint32_t sequenceNumber, const JournalEntry& entry);

// The text a log line carries for an UninstallKey entry of `productKey`: the
// key's full path, "HKEY_LOCAL_MACHINE\" included.
std::wstring UninstallKeyLogText(const std::wstring& productKey);

}  // namespace qw
