#pragma once
// The machine-wide count of the application's running processes, shared
// with the installed product.

#include <string>

namespace qw {

// Registers this process under `applicationId`; it leaves the count at
// process exit.
void RegisterInstance(const std::wstring& applicationId);

// Number of registered processes of the application, this one included.
long CountRunningInstances();

}  // namespace qw
