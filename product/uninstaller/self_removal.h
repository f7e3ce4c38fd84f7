#pragma once
// How "Uninstall.exe" removes itself: a program cannot delete its own
// running image, so at the end it copies itself into a new private folder
// under the temporary folder (named like the installer's) and starts that
// copy as the second phase. The copy waits until the first process has
// ended, removes the files and folders it was given, then moves its own
// running file out of its folder (a running program's file can be renamed,
// not deleted), removes the folder and ends. The first process opened the
// copy delete-on-close and handed the handle down, so the file goes when
// the copy has ended; where the system does not honour that for a running
// program, the file goes at the next restart.

#include <windows.h>

#include <string>
#include <system_error>
#include <vector>

namespace qw::uninstaller {

// Starts the copy for `files` and then `folders`. Returns the error of the
// step that failed (the folder, the copy or the start); the originals then
// stay where they are.
std::error_code StartSecondPhase(const std::wstring& self, const std::vector<std::wstring>& files,
                                 const std::vector<std::wstring>& folders);

// Leaves `files` and then `folders` (emptied by then) to the next restart.
// False when the system refused one of them.
bool LeaveToRestart(const std::vector<std::wstring>& files, const std::vector<std::wstring>& folders);

// The second phase: waits for `firstProcess` (at most a minute), then
// removes `files` (retrying while they are in use) and `folders` when empty.
void RunSecondPhase(HANDLE firstProcess, const std::vector<std::wstring>& files,
                    const std::vector<std::wstring>& folders);

}  // namespace qw::uninstaller
