#pragma once
// The text of the uninstaller's end message, and the exit code, from what
// the removal left: that the product was removed, or what was left, each
// with its reason, in the current language.

#include <string>

#include "engine/removal_sequence.h"
#include "engine/uninstall_log_parser.h"
#include "product/uninstaller/exit_code.h"

namespace qw::uninstaller {

// What the uninstaller concluded about the log before it removed anything.
struct LogVerdict {
  // The log does not describe a finished installation: the log, the
  // uninstaller and the registry entries were kept.
  bool partial = false;
  // The installation folder the header names when it is not the
  // uninstaller's own (it granted nothing); empty when it is.
  std::wstring otherFolder;
};

// `product` is the display name ("Meridel 6.07c"); `parse` says whether
// the log was read to its end.
std::wstring EndMessageText(const std::wstring& product, const RemovalReport& report,
                            const LogParseResult& parse, const LogVerdict& verdict);

// kRemoved, kRemovedRestartNeeded, or kPartlyRemoved for anything left,
// refused, or a log that was partial or named another folder.
ExitCode EndExitCode(const RemovalReport& report, const LogParseResult& parse, const LogVerdict& verdict);

}  // namespace qw::uninstaller
