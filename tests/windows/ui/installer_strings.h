#pragma once
// The installer's own texts, read from its string resources, for the
// expectations of the UI tests, and the system's error texts.

#include <windows.h>

#include <string>

namespace qw::test {

// String resource `id` of the installer under test; empty when missing.
std::wstring InstallerString(UINT id);

// Message `baseId` in English (block +1000) and German (block +2000).
inline std::wstring English(UINT baseId) { return InstallerString(baseId + 1000); }
inline std::wstring German(UINT baseId) { return InstallerString(baseId + 2000); }

// `text` with "%1" and "%2" replaced.
std::wstring Format(std::wstring text, const std::wstring& arg1,
                    const std::wstring& arg2 = std::wstring());

// The system's text for an error code, without trailing line breaks.
std::wstring SystemText(DWORD code);

}  // namespace qw::test
