#pragma once
// Conversions between this program's wide strings and UTF-16 and UTF-8,
// independent of the process locale: the archive's strings, the uninstall
// log's text and the tools' command lines. On Windows wide strings are
// UTF-16; elsewhere (native builds for tests and tools) they are UTF-32.
// Plain C++ without dependencies, so that every library can use it.

#include <string>

namespace qw {

// UTF-16 code units as a wide string. Unpaired surrogates become U+FFFD
// where wide strings are not UTF-16.
std::wstring WideFromUtf16(const std::u16string& text);
// The reverse; code points beyond U+10FFFF become U+FFFD.
std::u16string Utf16FromWide(const std::wstring& text);

// UTF-8, for the tools' command lines and manifests. Malformed sequences
// and surrogates become U+FFFD.
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

}  // namespace qw
