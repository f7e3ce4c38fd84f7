#pragma once
// What the Windows tests need to know about Wine: whether they run under
// it, and how to start a program with another user language there.
// Test support only.

#include <string>
#include <vector>

namespace qw::test {

// Whether this process runs under Wine (ntdll exports wine_get_version).
bool RunningUnderWine();

// "" in the first lane of test prefixes, "_lane2" in the second
// (QW_WINE_LANE, set by scripts/wine-run.sh): added to the names of what a
// test writes outside the prefix (the build tree is the same for every
// lane), so that tests running at once in two lanes keep their files apart.
std::wstring LaneSuffix();

// The Unix path of a Windows path, through Wine's own conversion; empty
// outside Wine.
std::wstring UnixPath(const std::wstring& windowsPath);

// Makes `link` a Unix symbolic link to the folder `target` (ln -s, started
// through Wine, which runs Unix programs but gives no handle to wait on:
// the call waits up to 10 s for the link to appear). True when it did. Wine
// follows such a link like a folder, as Windows follows a junction.
bool MakeUnixFolderLink(const std::wstring& target, const std::wstring& link);
// Removes such a link (rm, waited for as above); Wine's own calls would
// treat it as the folder it leads to.
bool RemoveUnixLink(const std::wstring& link);

// Starts the Windows program `program` under the Unix locale `unixLocale`
// (for example de_DE.UTF-8), with `settings` ("NAME=value") added to its
// environment and `arguments` (already quoted) after its path. Under Wine
// the user's language follows the Unix locale of the Wine process, and a
// Windows child keeps its parent's whatever environment block it is given;
// env(1), a Unix program, does get the block, so it starts the program
// through the Wine loader. The program's process is not known here: find it
// by its windows or its output. False when it could not be started (always
// outside Wine).
bool StartInUnixLocale(const std::wstring& program, const std::wstring& unixLocale,
                       const std::vector<std::wstring>& settings = {},
                       const std::wstring& arguments = std::wstring());

}  // namespace qw::test
