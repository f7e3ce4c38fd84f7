#pragma once
// The reader of "Uninstall.ulog": turns the bytes of a previous log into
// the previous installation's folders, product text and entries. Plain
// C++ so that it is also built and fuzzed natively; the file, the ANSI
// code page and the folder test come in from the caller. It trusts nothing
// in the file and never reports errors: reading simply stops at the first
// line it does not accept and keeps what came before.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/journal_entry.h"

namespace qw {

// The reader holds one line of at most this many bytes, its terminating
// NUL included: 509 UTF-16 characters before CR LF (508 on the first line,
// after the byte order mark), or 1,021 8-bit characters. A longer line is
// not cut or split: it ends the reading like any malformed line.
constexpr std::size_t kLogLineBufferBytes = 1024;

struct LogSource {
  // Fills `buffer` with up to `size` bytes; 0 at the end of the file or on
  // a read error.
  std::function<std::size_t(std::uint8_t* buffer, std::size_t size)> read;
  // One line of an 8-bit log, without its line feed, in the system's ANSI
  // code page.
  std::function<std::wstring(const std::string& bytes)> decodeAnsi;
  // Whether `path` names an existing folder.
  std::function<bool(const std::wstring& path)> isFolder;
};

// How far a reading got, for a reader that must tell the user why it
// stopped (the uninstaller).
struct LogParseResult {
  std::int64_t version = 0;  // from the first line; 0 when it names none
  bool complete = false;     // read to the end of the file without stopping
  int linesRead = 0;         // lines taken before the reading stopped
};

// Reads the log from `source` and fills `previous`: the folders that still
// exist, the product text, and the entries appended to `previous.entries`.
// A log whose version is not kUninstallLogVersion (1) yields nothing.
LogParseResult ParseUninstallLog(const LogSource& source, PreviousInstallation& previous);

}  // namespace qw
