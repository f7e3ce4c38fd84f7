#pragma once
// The error code an installation failure shows the user: "1:" and eight
// upper-case hexadecimal digits for an operating-system error, "2:" and the
// same for a runtime errno value, the decimal value for the payload
// reader's "compress" errors and the sequence's own "install" errors, and
// "7" for anything else.

#include <string>
#include <system_error>

namespace qw {

std::wstring ErrorCodeText(const std::error_code& code);

}  // namespace qw
