#include "engine/shortcut_step.h"

#include <shlobj.h>

#include "engine/shell_shortcut.h"
#include "i18n/message_lookup.h"
#include "i18n/message_id.h"

namespace qw {
namespace {

// Where CreateShellShortcut puts the shortcut `name` in `folder`.
std::wstring ShortcutPathFor(const std::wstring& folder, const std::wstring& name) {
  const bool separated = !folder.empty() && (folder.back() == L'\\' || folder.back() == L'/');
  return folder + (separated ? L"" : L"\\") + name + L".lnk";
}

// One shortcut after its journal entry: the entry completed with the
// outcome. Returns whether the shortcut was made.
bool MakeRecorded(JournalEntryKind kind, const std::wstring& target, const std::wstring& folder,
                  const std::wstring& name, InstallJournal& journal) {
  PendingJournalEntry entry = journal.RecordShortcut(kind, folder);
  entry.NoteTarget(ShortcutPathFor(folder, name));
  const std::optional<std::wstring> shortcut = CreateShellShortcut(target, folder, name);
  entry.Complete(shortcut.has_value(), shortcut);  // a failed one without path
  return shortcut.has_value();
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

bool CreateShortcuts(const ShortcutChoices& choices, InstallJournal& journal, InstallPageServices& page,
                     std::optional<std::wstring> (*desktopFolder)()) {
  if (!choices.startMenu && !choices.desktop) return true;
  const std::wstring line = LoadMessage(msg::kShortcutsCreation);
  page.SetStatus(line);
  page.AppendLog(line);

  bool succeeded = true;
  if (choices.startMenu) {
    succeeded &= MakeRecorded(JournalEntryKind::ProgramShortcut, choices.programPath, choices.startMenuFolder,
                              choices.programName, journal);
    succeeded &= MakeRecorded(JournalEntryKind::UninstallShortcut, choices.uninstallerPath,
                              choices.startMenuFolder, choices.uninstallName, journal);
  }
  if (choices.desktop) {
    const std::optional<std::wstring> desktop = desktopFolder();
    succeeded &= desktop && MakeRecorded(JournalEntryKind::DesktopShortcut, choices.programPath, *desktop,
                                         choices.programName, journal);
  }
  page.AppendLog(LoadMessage(succeeded ? msg::kStepOk : msg::kStepFailed) + L"\r\n");
  return succeeded;
}

}  // namespace qw
