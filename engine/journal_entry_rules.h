#pragma once
// What each kind of journal entry means, one row per JournalEntryKind: what
// its path holds, what its uninstall log line carries, how the journal's
// commit merges it, how rollback undoes it and how the uninstaller removes
// it. The journal, the log writer and reader, the run record and the
// removal read their rule here and keep only the work that genuinely
// differs (deleting a file, restoring a key) in their own files.
//
// Plain C++ (no system headers): the log reader is built and fuzzed
// natively too.

#include <cstddef>
#include <cstdint>

#include "engine/journal_entry.h"
#include "payload/payload_kind.h"

namespace qw {

// What an entry's path names, and so which places the uninstaller lets it
// name (engine/removal_places.h).
enum class EntryPlace : std::uint8_t {
  None,         // no place: empty, or the status text of a step
  Folder,       // a folder on the way to a destination, or inside the installation
  PayloadFile,  // a payload file, in the folders of its payload kind
  Shortcut,     // a shortcut of the product's names, in a Start-menu or desktop folder
};

// What an entry's line in the uninstall log carries after the "--".
enum class LoggedText : std::uint8_t {
  EntryPath,         // the entry's path (or status text), read back as it is
  UninstallKeyPath,  // the uninstall key's full path; not read back
  RegistrationText,  // the fixed kLogSelfRegistrationText; not read back
};

// How the rollback of a failed installation undoes an entry.
enum class RollbackAction : std::uint8_t {
  RemoveEmptyFolder,    // a folder that is not empty stays
  DeleteAndPutBack,     // the new file goes, a set-aside copy comes back
  RestoreUninstallKey,  // a saved key comes back, a created one goes
  Keep,                 // nothing to undo
};

// How the uninstaller removes an entry of a finished installation.
enum class RemovalAction : std::uint8_t {
  RemoveEmptyFolder,      // when empty; kept with the user's files in it
  RemovePayloadFile,      // when done; kind-3 files only when asked
  RemoveShortcut,         // when done and made
  RemoveRegistryEntries,  // after everything else, for a finished installation
  Unregister,             // when done: the main program undoes its registration
  KeepSharedComponent,    // other programs may rely on it: it stays
};

struct JournalEntryRules {
  JournalEntryKind kind;
  EntryPlace place;
  // Done as soon as it is recorded (a folder is recorded once it was made).
  bool doneWhenRecorded;
  // The merge of Commit keeps one entry per path of this kind; for every
  // other kind, one entry per kind whatever its path.
  bool onePerPath;
  LoggedText loggedText;
  RollbackAction rollback;
  RemovalAction removal;
};

inline constexpr JournalEntryRules kJournalEntryRules[kJournalEntryKindCount] = {
    // kind                              place                     done   per path  logged text                      rollback                              removal
    {JournalEntryKind::Folder,            EntryPlace::Folder,       true,  true,  LoggedText::EntryPath,        RollbackAction::RemoveEmptyFolder,   RemovalAction::RemoveEmptyFolder},
    {JournalEntryKind::File,              EntryPlace::PayloadFile,  false, true,  LoggedText::EntryPath,        RollbackAction::DeleteAndPutBack,    RemovalAction::RemovePayloadFile},
    {JournalEntryKind::ProgramShortcut,   EntryPlace::Shortcut,     false, false, LoggedText::EntryPath,        RollbackAction::DeleteAndPutBack,    RemovalAction::RemoveShortcut},
    {JournalEntryKind::UninstallShortcut, EntryPlace::Shortcut,     false, false, LoggedText::EntryPath,        RollbackAction::DeleteAndPutBack,    RemovalAction::RemoveShortcut},
    {JournalEntryKind::DesktopShortcut,   EntryPlace::Shortcut,     false, false, LoggedText::EntryPath,        RollbackAction::DeleteAndPutBack,    RemovalAction::RemoveShortcut},
    {JournalEntryKind::UninstallKey,      EntryPlace::None,         false, false, LoggedText::UninstallKeyPath, RollbackAction::RestoreUninstallKey, RemovalAction::RemoveRegistryEntries},
    {JournalEntryKind::SelfRegistration,  EntryPlace::None,         false, false, LoggedText::RegistrationText, RollbackAction::Keep,                RemovalAction::Unregister},
    {JournalEntryKind::DirectXSetup,      EntryPlace::None,         false, false, LoggedText::EntryPath,        RollbackAction::Keep,                RemovalAction::KeepSharedComponent},
};

// Whether `number` is a kind that a log or a record may store.
constexpr bool IsJournalEntryKind(std::int64_t number) {
  return number >= 0 && number < kJournalEntryKindCount;
}

// The rules of `kind`, which must be one of the enumeration's values.
constexpr const JournalEntryRules& RulesOf(JournalEntryKind kind) {
  return kJournalEntryRules[static_cast<std::size_t>(kind)];
}

// Whether `entry` records the product's main program: a File entry whose
// payload kind is MainProgram. Its registration is undone through it, and
// a recovery waits for it to end.
inline bool IsMainProgramEntry(const JournalEntry& entry) {
  return entry.kind == JournalEntryKind::File &&
         entry.value == static_cast<std::int32_t>(PayloadKind::MainProgram);
}

namespace journal_entry_rules_check {
constexpr bool RowsInKindOrder() {
  for (std::int32_t i = 0; i < kJournalEntryKindCount; ++i)
    if (static_cast<std::int32_t>(kJournalEntryRules[i].kind) != i) return false;
  return true;
}
static_assert(RowsInKindOrder(), "one row per kind, in the order of their numbers");
}  // namespace journal_entry_rules_check

}  // namespace qw
