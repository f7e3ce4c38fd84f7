#pragma once
// Every key and value below one registry key, as a machine snapshot holds
// them: "<key>" for a key, "type:hex of the data" for a value. Read from
// one dump of the tree (RegSaveKeyW, which Wine writes as its text registry
// format) in a few milliseconds, where walking the tens of thousands of
// values of the Software keys value by value takes seconds; when no dump
// can be made or read, by that walk. Test support.

#include <windows.h>

#include <map>
#include <string>
#include <utility>

namespace qw::test {

// Upper-cased path -> the path as written and its state. Keys end with a
// backslash ("HKLM\\Software\\Qw\\"), values are "...\\Qw\\[name]".
using SnapshotItems = std::map<std::wstring, std::pair<std::wstring, std::wstring>>;

// The key of `path` in SnapshotItems: the path upper-cased.
std::wstring SnapshotKey(std::wstring path);

// Adds the tree below `root`\`subKey` to `items` under the name `shownAs`
// (for example HKEY_LOCAL_MACHINE, L"Software", L"HKLM\\Software").
// Volatile keys are not in a dump: the installer and the uninstaller make
// none.
void ReadRegistryTree(HKEY root, const wchar_t* subKey, const std::wstring& shownAs, SnapshotItems& items);

// The two ways, for the test that holds them to the same result. The dump
// returns false, adding nothing, when it cannot be made or is not in the
// text format.
bool ReadRegistryTreeByDump(HKEY root, const wchar_t* subKey, const std::wstring& shownAs, SnapshotItems& items);
void ReadRegistryTreeByWalk(HKEY root, const wchar_t* subKey, const std::wstring& shownAs, SnapshotItems& items);

}  // namespace qw::test
