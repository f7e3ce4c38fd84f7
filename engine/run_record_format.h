#pragma once
// The text of a run record: the file in which an installation (or a
// removal) notes each change before it makes it and its completion after,
// so that a run cut off by a kill, a crash or a power loss can be undone
// (or finished) by the next one. Builds and reads lines only; the file,
// where it lives and who may have written it are run_record_file.h's.
//
// One field per TAB-separated column, lines ending with CR LF (file names
// cannot hold a TAB or a line end). A line without its CR LF was cut off
// while being written and is not read; a line that is not understood ends
// the reading, keeping what came before. Entries are numbered by the order
// of their "entry" lines, from 0; later lines name them by that number.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/journal_entry.h"

namespace qw {

// First lines of the two kinds of record; the number is the format version.
constexpr wchar_t kInstallationRecordMarker[] = L"Meridel installation record\t1";
constexpr wchar_t kRemovalRecordMarker[] = L"Meridel removal record\t1";

// The process that wrote a record: its id and its creation time (a
// FILETIME as one number), so that a later process with the same id is not
// taken for it.
struct RecordWriter {
  std::uint32_t processId = 0;
  std::uint64_t creationTime = 0;
};

// One journal entry as the record knows it.
struct RecordedEntry {
  JournalEntry entry;  // kind, value, path, existedBefore, backup, backupOrigin, done
  bool setAside = false;   // the backup was made whole (a backup line alone: maybe not)
  bool completed = false;  // its completion line was written
  // The path the change was about to make, for shortcuts whose path is
  // known only on completion.
  std::wstring target;
};

// The product path value as it was before the installation wrote it.
struct RecordedProductPath {
  bool noted = false;         // the installation was about to write it
  bool makerKeyExisted = false;
  bool valueExisted = false;
  std::wstring previousValue;
};

// Everything an installation record says.
struct RecordedInstallation {
  RecordWriter writer;
  std::wstring installFolder;
  std::wstring startMenuFolder;
  std::wstring temporaryFolder;  // the run's own working folder
  std::vector<RecordedEntry> entries;
  RecordedProductPath productPath;
  // Programs the run started and did not see end (the registration run):
  // part of the run while they go on.
  std::vector<RecordWriter> programs;
  // The uninstall log was written: the installation is finished, only its
  // set-aside copies were still to be discarded.
  bool committed = false;
  bool complete = false;  // every line was read; false when cut off or damaged
  int linesRead = 0;
};

// Everything a removal record says: the uninstall log's entries as the
// removal took them, and how far it came.
struct RecordedRemoval {
  RecordWriter writer;
  std::wstring logPath;
  std::wstring startMenuFolder;  // the log's, for the shortcuts' place
  bool removeUserData = false;
  bool partialLog = false;
  std::vector<JournalEntry> entries;
  bool entriesComplete = false;  // the "entries end" line was reached
  std::size_t removed = 0;       // entries undone, newest first
  bool complete = false;
};

namespace run_record {

// Lines of an installation record, each with its CR LF.
std::wstring InstallationHeader(const RecordWriter& writer, const std::wstring& installFolder,
                                const std::wstring& startMenuFolder, const std::wstring& temporaryFolder);
std::wstring EntryLine(const JournalEntry& entry);
std::wstring TargetLine(std::size_t index, const std::wstring& path);
std::wstring BackupLine(std::size_t index, const std::wstring& backup, const std::wstring& origin);
std::wstring SetAsideLine(std::size_t index);
std::wstring CompletionLine(std::size_t index, bool done, const std::wstring* path);
std::wstring ProductPathLine(bool makerKeyExisted, bool valueExisted, const std::wstring& previousValue);
std::wstring CommittedLine();
std::wstring RunningProgramLine(const RecordWriter& program);

// Lines of a removal record.
std::wstring RemovalHeader(const RecordWriter& writer, const std::wstring& logPath,
                           const std::wstring& startMenuFolder, bool removeUserData, bool partialLog);
std::wstring RemovalEntryLine(const JournalEntry& entry);
std::wstring RemovalEntriesEndLine();
std::wstring RemovedLine(std::size_t count);

// Reads the text of a record (without byte order mark). A text whose first
// line is not the right marker yields nothing (complete stays false).
RecordedInstallation ParseInstallationRecord(const std::wstring& text);
RecordedRemoval ParseRemovalRecord(const std::wstring& text);

}  // namespace run_record
}  // namespace qw
