#pragma once
// The folders proposed to the user when no earlier installation supplies
// them: the maker's and the product's folder under Program Files and under
// the all-users Start-menu programs folder.

#include <string>

namespace qw {

// Program Files\Quillon Works\Meridel 6.
std::wstring DefaultInstallFolder();

// The all-users Start-menu programs folder, or the user's when that cannot
// be had, followed by Quillon Works\Meridel 6.
std::wstring DefaultStartMenuFolder();

}  // namespace qw
