#pragma once
// The common-controls requirement of the maker's library: version 6.0 or
// later, and the registration of the control classes the dialogs use.

#include <windows.h>

#include <string>

namespace qw {

// Packed as DllGetVersion gives it: major in the high 16 bits, minor low.
constexpr DWORD kRequiredCommonControlsVersion = 0x60000;

// True when the library is recent enough: it reports 6.0 or later, or it
// is the library of the Common-Controls 6.0 side-by-side assembly (Wine's
// v6 library reports 5.81 although the manifest bound the 6.0 assembly).
// `modulePath` is the loaded library's full path.
bool CommonControlsAcceptable(DWORD packedVersion, const std::wstring& modulePath);

// Finds comctl32.dll (already loaded, else from the default search
// directories, else from the standard search path), asks its version and
// applies CommonControlsAcceptable. Registers the control classes (0xC0FF)
// either way. Returns false when the library is missing or too old.
bool InitializeCommonControls();

}  // namespace qw
