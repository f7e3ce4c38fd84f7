#pragma once
// Operating-system errors as std::error_code values, and the system's own
// text for an error code.

#include <windows.h>

#include <string>
#include <system_error>

namespace qw {

// The calling thread's last error in the operating-system category.
std::error_code LastError();

// An operating-system error code value in the operating-system category.
std::error_code SystemError(DWORD code);

// The text that the system's message table holds for `code` (language id 0),
// without trailing carriage returns and line feeds. Falls back to the text of
// E_FAIL, and to "Error" when the system has neither.
std::wstring SystemErrorText(DWORD code);

}  // namespace qw
