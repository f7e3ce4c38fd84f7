#pragma once
// What every planted library does when a process loads it: it leaves a
// marker file beside itself ("<file name>.loaded", for example
// "VERSION.dll.loaded"), so that a test sees from outside that the library
// was loaded. Test support only.

#include <windows.h>

namespace qw::test {

// Writes the marker of `module`. Failures are ignored: a missing marker then
// reads as "not loaded", which the probe of each test run would reveal.
void LeaveLoadMarker(HMODULE module);

}  // namespace qw::test
