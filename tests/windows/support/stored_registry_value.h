#pragma once
// A registry string as the registry stores it, read with RegQueryValueExW:
// unlike RegGetValueW, which adds a terminating zero to what it returns,
// this shows a value written without its terminator, with two, or with a
// wrong type. Test support.

#include <windows.h>

#include <string>

namespace qw::test {

// `name` of `root`\`key` when it is stored as REG_SZ holding the text and
// exactly one terminating zero (its size is the text's plus one character).
// Anything else reads as a description in angle brackets, so that a
// comparison with the expected text fails and shows what is stored:
// "<none>", "<type 2>", "<12 bytes, no terminator>", "<a zero inside>".
std::wstring StoredString(HKEY root, const std::wstring& key, const std::wstring& name);

}  // namespace qw::test
