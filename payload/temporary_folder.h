#pragma once
// The path of a new private temporary folder for one installation run,
// under the user's temporary folder. The folder is only named here, not
// created: the archive reader creates it with the first file it writes.
//
// A failure is the system's error code of the call that failed, in a
// category of that call (one per call below), so that the installer can
// show it as "%08x (GetTempPath)" without the text travelling separately.

#include <string>
#include <system_error>

namespace qw {

// The calls whose failure MakeTemporaryFolderPath reports: GetTempPathW,
// the random UUID generator, PathAppendW.
enum class TemporaryFolderCall { QueryTempPath, GenerateName, AppendName };

// The category of the failures of `call`: its values are the system's
// error codes, its name that of the call ("GetTempPath",
// "random_generator", "PathAppend").
const std::error_category& temporary_folder_category(TemporaryFolderCall call) noexcept;

// The name of the call whose failures `category` holds, or null when it is
// not one of the categories above.
const wchar_t* TemporaryFolderCallName(const std::error_category& category) noexcept;

// Sets `folder` to the user's temporary folder joined with a new
// NewTemporaryFolderName() and returns an empty code. When GetTempPathW
// fails or gives more than 246 characters, leaves `folder` alone and
// returns the thread's last error in GetTempPath's category; when the
// system's random source fails, its error in random_generator's; when the
// joined path does not fit in MAX_PATH (a temporary folder of 214 to 246
// characters), the thread's last error in PathAppend's
// (ERROR_FILENAME_EXCED_RANGE unless PathAppendW set another).
std::error_code MakeTemporaryFolderPath(std::wstring& folder);

}  // namespace qw
