#pragma once
// Where the process takes its libraries from. A program started from a
// folder that others can write (a download folder, the temporary folder)
// must not load a library from there: Windows searches the program's own
// folder before the system folder for every library that is not a "known
// DLL". These functions restrict the search to the system folder and load
// libraries from there only. They do not pretend to vet the system folder
// itself, nor the libraries that a program imports statically (those are
// resolved before any of its code runs; only known DLLs belong there).

#include <windows.h>

namespace qw {

// Makes the system folder the only folder searched for libraries loaded by
// name from now on, for the whole process (SetDefaultDllDirectories with
// LOAD_LIBRARY_SEARCH_SYSTEM32). Where the system has no such function
// (Windows Vista and 7 without update KB2533623), it removes the current
// folder from the search (SetDllDirectoryW with an empty string) and
// answers false: the program's own folder then stays in the search, and
// LoadSystemLibrary falls back to full paths. Changes nothing else.
bool RestrictLibrarySearchToSystem();

// Whether RestrictLibrarySearchToSystem has restricted the search.
bool LibrarySearchRestrictedToSystem();

// Loads the library `name` (a file name without folder, "version.dll") from
// the system folder only, or through the side-by-side redirection of the
// process's manifest (comctl32.dll), which Windows applies before any
// folder. Returns null with the thread's last error set when that fails;
// it never falls back to another folder.
HMODULE LoadSystemLibrary(const wchar_t* name);

}  // namespace qw
