#pragma once
// The run record on disk. It lies where the next run finds it whoever
// starts it: a folder named after the product key in the machine's common
// application data folder, made with the installation folder's protection
// (Administrators and SYSTEM full control, platform/protected_folder.h), and
// a fixed file name per kind of run. Every line that announces a change is
// flushed (FlushFileBuffers) before the change is made, so that it outlives
// the process and a power loss.
//
// The record steers an elevated process, so a folder or file that an
// ordinary user could have made is not used: both are opened without
// following reparse points and must be owned by Administrators, SYSTEM,
// TrustedInstaller or the running account (platform/folder_owner.h).

#include <windows.h>

#include <string>
#include <system_error>

#include "engine/run_record_format.h"
#include "platform/handles.h"

namespace qw {

enum class RunRecordKind { Installation, Removal };

// "<CommonAppData>\<productKey> Recovery"; empty when the common
// application data folder cannot be named.
std::wstring RunRecordFolder(const std::wstring& productKey);
// The record's file in that folder: "Installation.qwrec" or "Removal.qwrec".
std::wstring RunRecordPath(const std::wstring& folder, RunRecordKind kind);

// This process, as a record names it.
RecordWriter CurrentRecordWriter();
// `process` (a handle with query access), as a record names it.
RecordWriter RecordWriterOf(HANDLE process);
// Whether the process a record names still runs (the same id and the same
// creation time). A process that cannot be asked counts as running: its
// record is left alone.
bool RecordWriterRuns(const RecordWriter& writer);
// Ends that process (when it still is that one) and waits up to
// `milliseconds` for it; true when it has ended.
bool EndRecordWriter(const RecordWriter& writer, DWORD milliseconds);

// Why `path` (a folder, or a file when `folder` is false) must not be
// trusted: a reparse point, another kind of object, reached elsewhere, or
// an owner other than the trusted ones. Empty when it may be used, or when
// nothing is there (`exists` then false).
std::error_code CheckRecordPlace(const std::wstring& path, bool folder, bool& exists);

// A record being written. Lines go to the end of the file; a line that
// announces a change is flushed before Append returns, together with every
// line before it. Once a write failed, every later Append fails too: the
// record then ends in the middle and the caller must not go on with changes
// it cannot note.
class RunRecordFile {
 public:
  RunRecordFile() = default;
  RunRecordFile(const RunRecordFile&) = delete;
  RunRecordFile& operator=(const RunRecordFile&) = delete;
  // Closes the file without deleting it (the record of an unfinished run).
  ~RunRecordFile() = default;

  // Makes the folder when it is missing (protected), refuses one that
  // fails CheckRecordPlace, and creates the file new with `header` in it.
  // An existing record is never replaced (ERROR_FILE_EXISTS).
  std::error_code Create(const std::wstring& folder, RunRecordKind kind, const std::wstring& header);
  // Whether the lines must be on the disk before the caller goes on. A line
  // that only says how a change ended need not: the next run undoes an
  // announced change whether it ended or not, and a process that is ended
  // from outside leaves what it wrote to the system anyway. Each flush is a
  // wait for the disk, about one per installed file saved.
  enum class Flush { Now, WithALaterLine };
  std::error_code Append(const std::wstring& lines, Flush flush = Flush::Now);
  // Closes and deletes the file, then the folder when it is empty.
  void Delete();

  bool IsOpen() const { return file_.valid(); }
  // A line could not be written: the record no longer says everything.
  bool Failed() const { return failed_; }
  const std::wstring& Path() const { return path_; }

 private:
  UniqueFile file_;
  std::wstring folder_;
  std::wstring path_;
  bool failed_ = false;
};

// Reads the whole text of the record at `path` after CheckRecordPlace on
// its folder and on itself. ERROR_FILE_NOT_FOUND when there is none.
std::error_code ReadRunRecordText(const std::wstring& folder, RunRecordKind kind, std::wstring& text);

// Deletes a record that was read (through a handle, no reparse point
// followed), then its folder when it is empty.
void DeleteRunRecord(const std::wstring& folder, RunRecordKind kind);

}  // namespace qw
