#pragma once
// The path of a new private temporary folder for one installation run,
// under the user's temporary folder. The folder is only named here, not
// created: the archive reader creates it with the first file it writes.

#include <string>

namespace qw {

// Sets `folder` to the user's temporary folder joined with a new
// NewTemporaryFolderName() and returns true. When GetTempPathW fails or
// gives more than 246 characters, leaves `folder` alone, sets `errorText` to
// the thread's last error as "%08x (GetTempPath)" and returns false; when
// the joined path does not fit in MAX_PATH (a temporary folder of 214 to 246
// characters), the same with "%08x (PathAppend)".
bool MakeTemporaryFolderPath(std::wstring& folder, std::wstring& errorText);

}  // namespace qw
