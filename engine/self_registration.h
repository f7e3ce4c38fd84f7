#pragma once
// The installed program's own registration run: the program is started
// with " /Register /Background", without taking the focus, at high
// priority, in its own folder, and waited for without time limit; exit code
// -10 means it registered itself, after which the shell is told that file
// associations changed. The application lock is released for exactly the
// time of the run, so that the program (which checks for a running
// installer) may start, and taken back without waiting afterwards.

#include <string>
#include <system_error>

#include "engine/install_journal.h"
#include "platform/application_lock.h"

namespace qw {

// A command line that starts `programPath` with `arguments`: the path,
// quoted when it holds blanks (at any length), a blank, the arguments. The
// program is started with its path as the application name as well, so the
// system never guesses a shorter program from the blanks.
std::wstring ProgramCommandLine(const std::wstring& programPath, const std::wstring& arguments);

// The run's command line: `programPath`, quoted when it holds blanks,
// followed by " /Register /Background".
std::wstring SelfRegistrationCommandLine(const std::wstring& programPath);

// Records the run in the journal, runs the program and completes the entry
// with the outcome. Empty exactly when the program started and exited with
// -10; the system's error when it cannot be started, ERROR_INSTALL_FAILURE
// when it exits otherwise or crashes (never makes the installation fail).
// Leaves `appLock` held again unless another process took it during the
// run.
[[nodiscard]] std::error_code RunSelfRegistration(const std::wstring& programPath, ApplicationLock& appLock,
                                                  InstallJournal& journal);

// The counterpart: runs the program with " /Unregister /Background" the same
// way (lock released for the run). Empty when it exited with -10; the
// system's error when it could not be started, ERROR_INSTALL_FAILURE when
// it exited otherwise.
[[nodiscard]] std::error_code RunUnregistration(const std::wstring& programPath, ApplicationLock& appLock);

}  // namespace qw
