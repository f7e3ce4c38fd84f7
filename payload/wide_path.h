#pragma once
// Conversions between the archive's UTF-16 strings, this program's wide
// strings and file-system paths, independent of the process locale. On
// Windows wide strings are UTF-16 and paths are wide already; elsewhere wide
// strings are UTF-32 and paths are UTF-8.

#include <boost/filesystem/path.hpp>

#include <string>

namespace qw {

// UTF-16LE code units as a wide string. Unpaired surrogates become U+FFFD
// where wide strings are not UTF-16.
std::wstring WideFromUtf16(const std::u16string& text);
std::u16string Utf16FromWide(const std::wstring& text);

boost::filesystem::path WidePath(const std::wstring& text);
std::wstring PathText(const boost::filesystem::path& path);

// UTF-8, for the tools' command lines and manifests.
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

}  // namespace qw
