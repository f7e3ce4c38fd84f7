#pragma once
// "Uninstall.ulog" on disk: the writer used by the journal's commit and the
// reader used when the previous installation's log is loaded. The line
// format lives in uninstall_log_format.h, the parsing in
// uninstall_log_parser.h; this is only the file around them.

#include <list>
#include <optional>
#include <string>
#include <system_error>

#include "engine/journal_entry.h"
#include "engine/uninstall_log_parser.h"

namespace qw {

// The installed product as the log names it.
struct LoggedProduct {
  std::wstring displayName;  // "Meridel 6.07c", in the header
  std::wstring key;          // "Meridel 6", in the UninstallKey entry's text
};

class UninstallLog {
 public:
  // Writes the log at `path` (UTF-16LE with byte order mark, CR LF lines,
  // read-only afterwards), replacing any previous file. Sets the fixed
  // texts of UninstallKey and SelfRegistration entries first. Every line is
  // attempted even after a failed write. Returns false when the file could
  // not be created or any write failed.
  static bool Write(const std::wstring& path, const LoggedProduct& product,
                    std::list<JournalEntry>& entries,
                    const std::wstring& installFolder, const std::wstring& startMenuFolder,
                    const std::wstring& previousProductText);

  // Clears the previous folders of `previous`, then, with a path, reads the
  // log into it. A missing or unreadable file leaves it empty; a bad line
  // ends the reading and keeps what came before.
  static void Read(const std::optional<std::wstring>& path, PreviousInstallation& previous);

  // The log as the uninstaller needs it: every entry, the header folders
  // as written (whether or not they exist), and why the reading stopped.
  struct Contents {
    std::error_code openError;  // the file could not be opened (nothing read)
    LogParseResult parse;
    PreviousInstallation log;
  };
  static Contents ReadForRemoval(const std::wstring& path);
};

}  // namespace qw
