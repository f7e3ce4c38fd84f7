#include "engine/run_record_format.h"

#include <cwchar>

#include "engine/journal_entry_rules.h"

namespace qw::run_record {
namespace {

constexpr wchar_t kEnd[] = L"\r\n";
constexpr wchar_t kTab = L'\t';

std::wstring Line(std::initializer_list<std::wstring> fields) {
  std::wstring line;
  bool first = true;
  for (const std::wstring& field : fields) {
    if (!first) line += kTab;
    line += field;
    first = false;
  }
  return line + kEnd;
}

std::wstring Number(std::uint64_t value) { return std::to_wstring(value); }
std::wstring Flag(bool value) { return value ? L"1" : L"0"; }

std::wstring Hex(std::uint64_t value) {
  wchar_t buffer[24] = {};
  std::swprintf(buffer, 24, L"%016llx", static_cast<unsigned long long>(value));
  return buffer;
}

// The complete lines of `text` (without CR LF); `cut` tells whether text
// followed the last line end.
std::vector<std::wstring> CompleteLines(const std::wstring& text, bool& cut) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(kEnd, start);
    if (end == std::wstring::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  cut = start < text.size();
  return lines;
}

std::vector<std::wstring> Fields(const std::wstring& line) {
  std::vector<std::wstring> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find(kTab, start);
    fields.push_back(line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start));
    if (tab == std::wstring::npos) return fields;
    start = tab + 1;
  }
}

// A decimal number of at most 18 digits, nothing else.
bool ReadNumber(const std::wstring& text, std::uint64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - L'0');
  }
  return true;
}

bool ReadSigned(const std::wstring& text, std::int32_t& value) {
  const bool negative = !text.empty() && text[0] == L'-';
  std::uint64_t magnitude = 0;
  if (!ReadNumber(negative ? text.substr(1) : text, magnitude) || magnitude > 0x7FFFFFFF) return false;
  value = negative ? -static_cast<std::int32_t>(magnitude) : static_cast<std::int32_t>(magnitude);
  return true;
}

bool ReadHex(const std::wstring& text, std::uint64_t& value) {
  if (text.size() != 16) return false;
  value = 0;
  for (wchar_t c : text) {
    int digit = -1;
    if (c >= L'0' && c <= L'9') digit = c - L'0';
    if (c >= L'a' && c <= L'f') digit = c - L'a' + 10;
    if (digit < 0) return false;
    value = value * 16 + static_cast<std::uint64_t>(digit);
  }
  return true;
}

bool ReadFlag(const std::wstring& text, bool& value) {
  if (text != L"0" && text != L"1") return false;
  value = text == L"1";
  return true;
}

bool ReadKind(const std::wstring& text, JournalEntryKind& kind) {
  std::uint64_t number = 0;
  if (!ReadNumber(text, number) || number >= static_cast<std::uint64_t>(kJournalEntryKindCount)) return false;
  kind = static_cast<JournalEntryKind>(number);
  return true;
}

bool ReadWriter(const std::vector<std::wstring>& fields, RecordWriter& writer) {
  std::uint64_t id = 0;
  return fields.size() == 3 && fields[0] == L"process" && ReadNumber(fields[1], id) && id <= 0xFFFFFFFFu &&
         ReadHex(fields[2], writer.creationTime) && (writer.processId = static_cast<std::uint32_t>(id), true);
}

// The entry that a later line names by number; null when there is none.
RecordedEntry* Named(std::vector<RecordedEntry>& entries, const std::wstring& text) {
  std::uint64_t index = 0;
  if (!ReadNumber(text, index) || index >= entries.size()) return nullptr;
  return &entries[static_cast<std::size_t>(index)];
}

bool ReadInstallationLine(const std::vector<std::wstring>& f, RecordedInstallation& record) {
  const std::wstring& tag = f[0];
  if (tag == L"install" && f.size() == 2) return record.installFolder = f[1], true;
  if (tag == L"startmenu" && f.size() == 2) return record.startMenuFolder = f[1], true;
  if (tag == L"temporary" && f.size() == 2) return record.temporaryFolder = f[1], true;
  if (tag == L"entry" && f.size() == 5) {
    RecordedEntry recorded;
    JournalEntry& entry = recorded.entry;
    if (!ReadKind(f[1], entry.kind) || !ReadSigned(f[2], entry.value) || !ReadFlag(f[3], entry.existedBefore))
      return false;
    entry.path = f[4];
    entry.done = RulesOf(entry.kind).doneWhenRecorded;
    recorded.completed = entry.done;
    record.entries.push_back(std::move(recorded));
    return true;
  }
  if (tag == L"target" && f.size() == 3) {
    RecordedEntry* entry = Named(record.entries, f[1]);
    return entry && (entry->target = f[2], true);
  }
  if (tag == L"backup" && f.size() == 4) {
    RecordedEntry* entry = Named(record.entries, f[1]);
    if (!entry || f[2].empty()) return false;
    entry->entry.backup = f[2];
    entry->entry.backupOrigin = f[3];
    return true;
  }
  if (tag == L"setaside" && f.size() == 2) {
    RecordedEntry* entry = Named(record.entries, f[1]);
    return entry && !entry->entry.backup.empty() && (entry->setAside = true, true);
  }
  if (tag == L"complete" && (f.size() == 3 || f.size() == 4)) {
    RecordedEntry* entry = Named(record.entries, f[1]);
    if (!entry || !ReadFlag(f[2], entry->entry.done)) return false;
    if (f.size() == 4) entry->entry.path = f[3];
    entry->completed = true;
    return true;
  }
  if (tag == L"productpath" && f.size() == 4) {
    RecordedProductPath& value = record.productPath;
    if (!ReadFlag(f[1], value.makerKeyExisted) || !ReadFlag(f[2], value.valueExisted)) return false;
    value.previousValue = f[3];
    value.noted = true;
    return true;
  }
  if (tag == L"committed" && f.size() == 1) return record.committed = true, true;
  if (tag == L"running" && f.size() == 3) {
    RecordWriter program;
    if (!ReadWriter({L"process", f[1], f[2]}, program)) return false;
    record.programs.push_back(program);
    return true;
  }
  return false;
}

}  // namespace

std::wstring InstallationHeader(const RecordWriter& writer, const std::wstring& installFolder,
                                const std::wstring& startMenuFolder, const std::wstring& temporaryFolder) {
  return std::wstring(kInstallationRecordMarker) + kEnd +
         Line({L"process", Number(writer.processId), Hex(writer.creationTime)}) +
         Line({L"install", installFolder}) + Line({L"startmenu", startMenuFolder}) +
         Line({L"temporary", temporaryFolder});
}

std::wstring EntryLine(const JournalEntry& entry) {
  return Line({L"entry", Number(static_cast<std::uint64_t>(entry.kind)), std::to_wstring(entry.value),
               Flag(entry.existedBefore), entry.path});
}

std::wstring TargetLine(std::size_t index, const std::wstring& path) {
  return Line({L"target", Number(index), path});
}

std::wstring BackupLine(std::size_t index, const std::wstring& backup, const std::wstring& origin) {
  return Line({L"backup", Number(index), backup, origin});
}

std::wstring SetAsideLine(std::size_t index) { return Line({L"setaside", Number(index)}); }

std::wstring CompletionLine(std::size_t index, bool done, const std::wstring* path) {
  return path ? Line({L"complete", Number(index), Flag(done), *path}) : Line({L"complete", Number(index), Flag(done)});
}

std::wstring ProductPathLine(bool makerKeyExisted, bool valueExisted, const std::wstring& previousValue) {
  return Line({L"productpath", Flag(makerKeyExisted), Flag(valueExisted), previousValue});
}

std::wstring CommittedLine() { return Line({L"committed"}); }

std::wstring RunningProgramLine(const RecordWriter& program) {
  return Line({L"running", Number(program.processId), Hex(program.creationTime)});
}

std::wstring RemovalHeader(const RecordWriter& writer, const std::wstring& logPath,
                           const std::wstring& startMenuFolder, bool removeUserData, bool partialLog) {
  return std::wstring(kRemovalRecordMarker) + kEnd +
         Line({L"process", Number(writer.processId), Hex(writer.creationTime)}) + Line({L"log", logPath}) +
         Line({L"startmenu", startMenuFolder}) +
         Line({L"options", Flag(removeUserData), Flag(partialLog)});
}

std::wstring RemovalEntryLine(const JournalEntry& entry) {
  return Line({L"entry", Number(static_cast<std::uint64_t>(entry.kind)), std::to_wstring(entry.value),
               Flag(entry.done), entry.path});
}

std::wstring RemovalEntriesEndLine() { return Line({L"entries end"}); }

std::wstring RemovedLine(std::size_t count) { return Line({L"removed", Number(count)}); }

RecordedInstallation ParseInstallationRecord(const std::wstring& text) {
  RecordedInstallation record;
  bool cut = false;
  const std::vector<std::wstring> lines = CompleteLines(text, cut);
  if (lines.size() < 2 || lines[0] != kInstallationRecordMarker || !ReadWriter(Fields(lines[1]), record.writer))
    return record;
  record.linesRead = 2;
  for (std::size_t i = 2; i < lines.size(); ++i) {
    if (!ReadInstallationLine(Fields(lines[i]), record)) return record;
    ++record.linesRead;
  }
  record.complete = !cut;
  return record;
}

RecordedRemoval ParseRemovalRecord(const std::wstring& text) {
  RecordedRemoval record;
  bool cut = false;
  const std::vector<std::wstring> lines = CompleteLines(text, cut);
  if (lines.size() < 2 || lines[0] != kRemovalRecordMarker || !ReadWriter(Fields(lines[1]), record.writer))
    return record;
  for (std::size_t i = 2; i < lines.size(); ++i) {
    const std::vector<std::wstring> f = Fields(lines[i]);
    if (f[0] == L"log" && f.size() == 2) {
      record.logPath = f[1];
    } else if (f[0] == L"startmenu" && f.size() == 2) {
      record.startMenuFolder = f[1];
    } else if (f[0] == L"options" && f.size() == 3) {
      if (!ReadFlag(f[1], record.removeUserData) || !ReadFlag(f[2], record.partialLog)) return record;
    } else if (f[0] == L"entry" && f.size() == 5 && !record.entriesComplete) {
      JournalEntry entry;
      if (!ReadKind(f[1], entry.kind) || !ReadSigned(f[2], entry.value) || !ReadFlag(f[3], entry.done))
        return record;
      entry.path = f[4];
      record.entries.push_back(std::move(entry));
    } else if (f[0] == L"entries end" && f.size() == 1) {
      record.entriesComplete = true;
    } else if (f[0] == L"removed" && f.size() == 2 && record.entriesComplete) {
      std::uint64_t count = 0;
      if (!ReadNumber(f[1], count) || count > record.entries.size()) return record;
      record.removed = static_cast<std::size_t>(count);
    } else {
      return record;
    }
  }
  record.complete = !cut;
  return record;
}

}  // namespace qw::run_record
