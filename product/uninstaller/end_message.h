#pragma once
// The text of the uninstaller's end message, and the exit code, from what
// the removal left: that the product was removed, or what was left, each
// with its reason, in the current language.

#include <string>

#include "engine/removal_sequence.h"
#include "engine/uninstall_log_parser.h"
#include "product/uninstaller/exit_code.h"

namespace qw::uninstaller {

// `product` is the display name ("Meridel 6.07c"); `parse` says whether
// the log was read to its end.
std::wstring EndMessageText(const std::wstring& product, const RemovalReport& report,
                            const LogParseResult& parse);

ExitCode EndExitCode(const RemovalReport& report, const LogParseResult& parse);

}  // namespace qw::uninstaller
