#pragma once
// The protection that every program of the product links whole (CMake:
// qw_system_libraries_only) when it may run elevated from a folder others
// can write: before any other static initialiser of the program or of the
// libraries it links, the library search is restricted to the system folder
// (RestrictLibrarySearchToSystem), and every delay-loaded import is loaded
// through LoadSystemLibrary; one that cannot be loaded from there raises
// the delay-load helper's own "module not found" exception at the first
// call into it, as a missing library always did. It does not pretend to
// cover the program's
// static imports: those must be known DLLs only (the same CMake function
// makes the others delay-loaded).

namespace qw {

// Whether this program's first initialisation step has run; false in a
// program that does not link the protection. For tests of that ordering.
bool SystemLibrariesOnlyInEffect();

}  // namespace qw
