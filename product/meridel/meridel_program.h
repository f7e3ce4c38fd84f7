#pragma once
// The sample program that stands in for Meridel: it joins the application's
// instance counter for as long as it runs (so that the installer sees the
// product running), shows its window and ends when the window is closed.

#include <windows.h>

namespace qw::meridel {

inline constexpr int kInitializationFailedExitCode = -11;

// Runs the program; returns its exit code: 0 after the window was closed,
// kInitializationFailedExitCode when the maker's library could not start
// (after a message box), or the system error when the window could not be
// made.
int RunMeridel(HINSTANCE instance, int show);

}  // namespace qw::meridel
