#include "engine/shortcut_step.h"

#include <shlobj.h>

#include "engine/shell_shortcut.h"
#include "i18n/message_lookup.h"
#include "i18n/message_id.h"
#include "platform/system_error.h"

namespace qw {
namespace {

// Where CreateShellShortcut puts the shortcut `name` in `folder`.
std::wstring ShortcutPathFor(const std::wstring& folder, const std::wstring& name) {
  const bool separated = !folder.empty() && (folder.back() == L'\\' || folder.back() == L'/');
  return folder + (separated ? L"" : L"\\") + name + L".lnk";
}

// One shortcut after its journal entry: the entry completed with the
// outcome. Returns ERROR_CANNOT_MAKE when the shortcut was not made.
std::error_code MakeRecorded(JournalEntryKind kind, const std::wstring& target, const std::wstring& folder,
                  const std::wstring& name, InstallJournal& journal) {
  PendingJournalEntry entry = journal.RecordShortcut(kind, folder);
  entry.NoteTarget(ShortcutPathFor(folder, name));
  const std::optional<std::wstring> shortcut = CreateShellShortcut(target, folder, name);
  entry.Complete(shortcut.has_value(), shortcut);  // a failed one without path
  return shortcut ? std::error_code() : SystemError(ERROR_CANNOT_MAKE);
}

std::optional<std::wstring> SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE) || path[0] == L'\0') return std::nullopt;
  return std::wstring(path);
}

}  // namespace

std::optional<std::wstring> DesktopFolder() {
  if (auto common = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY)) return common;
  return SpecialFolder(CSIDL_DESKTOPDIRECTORY);
}

std::error_code CreateShortcuts(const ShortcutChoices& choices, InstallJournal& journal, InstallPageServices& page,
                                std::optional<std::wstring> (*desktopFolder)()) {
  if (!choices.startMenu && !choices.desktop) return {};
  const std::wstring line = LoadMessage(msg::kShortcutsCreation);
  page.SetStatus(line);
  page.AppendLog(line);

  // Every chosen shortcut is attempted; the first failure is the step's.
  std::error_code error;
  auto keepFirst = [&error](const std::error_code& next) {
    if (!error) error = next;
  };
  if (choices.startMenu) {
    keepFirst(MakeRecorded(JournalEntryKind::ProgramShortcut, choices.programPath, choices.startMenuFolder,
                           choices.programName, journal));
    keepFirst(MakeRecorded(JournalEntryKind::UninstallShortcut, choices.uninstallerPath, choices.startMenuFolder,
                           choices.uninstallName, journal));
  }
  if (choices.desktop) {
    const std::optional<std::wstring> desktop = desktopFolder();
    keepFirst(desktop ? MakeRecorded(JournalEntryKind::DesktopShortcut, choices.programPath, *desktop,
                                     choices.programName, journal)
                      : SystemError(ERROR_PATH_NOT_FOUND));
  }
  page.AppendLog(LoadMessage(error ? msg::kStepFailed : msg::kStepOk) + L"\r\n");
  return error;
}

}  // namespace qw
