#pragma once
// The installer's own string resources as stored (for tests that walk every
// language's table), and the system's error texts. Texts a test expects on
// screen are written out in the test.

#include <windows.h>

#include <string>

namespace qw::test {

// String resource `id` of the installer under test; empty when missing.
std::wstring InstallerString(UINT id);

// The system's text for an error code, without trailing line breaks.
std::wstring SystemText(DWORD code);

}  // namespace qw::test
