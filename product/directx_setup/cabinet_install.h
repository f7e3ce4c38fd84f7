#pragma once
// The companion library "dsetup32.dll" of the DirectX setup stand-in: it
// installs the components of one cabinet. The files are first extracted
// through the system's cabinet support (setupapi) into a private staging
// folder, so that a damaged cabinet installs nothing, and only then moved
// into the components folder.

#include <windows.h>

extern "C" {

// Installs every file of `cabinet` into `componentsFolder` (created when
// missing). Returns DSETUPERR_SUCCESS, DSETUPERR_SOURCEFILENOTFOUND when the
// cabinet does not exist, DSETUPERR_INTERNAL when the system cannot extract
// it (damaged) and DSETUPERR_NOCOPY when a file cannot be moved into place.
// On failure nothing of this cabinet is left in `componentsFolder`, apart
// from files moved before the failing one.
INT WINAPI DSetup32InstallCabinet(LPCWSTR cabinet, LPCWSTR componentsFolder);

}
