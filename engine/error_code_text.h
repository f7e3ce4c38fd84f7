#pragma once
// What an installation failure shows the user, made here and nowhere else.
//
// The error code: "1:" and eight upper-case hexadecimal digits for an
// operating-system error, "2:" and the same for a runtime errno value, the
// decimal value for the payload reader's "compress" errors and the
// sequence's own "install" errors, "-1" for any failure to record the
// product path (engine/product_path.h), eight
// lower-case hexadecimal digits and the call in parentheses for a failure
// to name the temporary folder ("00000003 (GetTempPath)"), and "7" for
// anything else.

#include <string>
#include <system_error>

namespace qw {

std::wstring ErrorCodeText(const std::error_code& code);

// The status line of a failed run: "Installation failed (Error Code %1)."
// in the current language with ErrorCodeText(code).
std::wstring InstallationFailedText(const std::error_code& code);

}  // namespace qw
