#include "engine/uninstall_log.h"

#include <windows.h>
#include <shlwapi.h>

#include "engine/journal_entry_rules.h"
#include "engine/uninstall_log_format.h"
#include "engine/uninstall_log_parser.h"
#include "platform/handles.h"
#include "platform/system_error.h"

namespace qw {
namespace {

constexpr DWORD kWrittenLogAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool WriteBytes(HANDLE file, const void* data, std::size_t size) {
  DWORD written = 0;
  return ::WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

bool WriteText(HANDLE file, const std::wstring& text) {
  return WriteBytes(file, text.data(), text.size() * sizeof(wchar_t));
}

std::wstring DecodeAnsi(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int length = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                           nullptr, 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
  return text;
}

// A log read from `file` in the system's code page; a read error ends it.
LogSource FileSource(const UniqueFile& file) {
  LogSource source;
  source.read = [&file](std::uint8_t* buffer, std::size_t size) -> std::size_t {
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer, static_cast<DWORD>(size), &got, nullptr)) return 0;
    return got;
  };
  source.decodeAnsi = DecodeAnsi;
  return source;
}

}  // namespace

bool UninstallLog::Write(const std::wstring& path, const LoggedProduct& product,
                         std::list<JournalEntry>& entries,
                         const std::wstring& installFolder, const std::wstring& startMenuFolder,
                         const std::wstring& previousProductText) {
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only previous log
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;

  static constexpr unsigned char kByteOrderMark[] = {0xFF, 0xFE};
  bool ok = WriteBytes(file.get(), kByteOrderMark, sizeof kByteOrderMark);
  ok = WriteText(file.get(), FormatLogHeader(product.displayName, installFolder,
                                             startMenuFolder, previousProductText)) && ok;
  const std::wstring keyText = UninstallKeyLogText(product.key);
  std::uint32_t sequence = 0;
  for (JournalEntry& entry : entries) {
    switch (RulesOf(entry.kind).loggedText) {
      case LoggedText::EntryPath: break;
      case LoggedText::UninstallKeyPath: entry.path = keyText; break;
      case LoggedText::RegistrationText: entry.path = kLogSelfRegistrationText; break;
    }
    ok = WriteText(file.get(), FormatLogEntryLine(sequence++, entry)) && ok;
  }
  file.reset();
  ::SetFileAttributesW(path.c_str(), kWrittenLogAttributes);
  return ok;
}

void UninstallLog::Read(const std::optional<std::wstring>& path, PreviousInstallation& previous) {
  previous.installFolder.clear();
  previous.startMenuFolder.clear();
  if (!path) return;
  UniqueFile file(::CreateFileW(path->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;

  LogSource source = FileSource(file);
  source.isFolder = [](const std::wstring& folder) {
    return folder.size() < MAX_PATH && ::PathIsDirectoryW(folder.c_str()) != FALSE;
  };
  ParseUninstallLog(source, previous);
}

UninstallLog::Contents UninstallLog::ReadForRemoval(const std::wstring& path) {
  Contents contents;
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    contents.openError = LastError();
    return contents;
  }
  LogSource source = FileSource(file);
  // The header's folders are wanted as written: they bound what may be removed.
  source.isFolder = [](const std::wstring&) { return true; };
  contents.parse = ParseUninstallLog(source, contents.log);
  return contents;
}

}  // namespace qw
