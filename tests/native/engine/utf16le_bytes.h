#pragma once
// Test input: a text as the UTF-16 little-endian bytes of a log file (no
// byte order mark), through the program's own UTF-16 conversion.

#include <string>

#include "payload/unicode_text.h"

namespace qw::test {

inline std::string Utf16LeBytes(const std::wstring& text) {
  std::string bytes;
  for (char16_t unit : Utf16FromWide(text)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

}  // namespace qw::test
