#pragma once
// The system folders that destination placeholders stand for, by their
// shell folder identifiers (CSIDL values). On Windows the shell answers; on
// other hosts, where this code is built for tests and tools, each
// identifier maps onto a folder of the host (see special_folder_posix.cpp).

#include <string>

namespace qw {

namespace csidl {
constexpr int kPersonal = 0x05;
constexpr int kDesktopDirectory = 0x10;
constexpr int kCommonDesktopDirectory = 0x19;
constexpr int kAppData = 0x1A;
constexpr int kCommonAppData = 0x23;
constexpr int kWindows = 0x24;
constexpr int kSystem = 0x25;
constexpr int kProgramFiles = 0x26;
constexpr int kProgramFilesCommon = 0x2B;
constexpr int kCommonDocuments = 0x2E;
}  // namespace csidl

// The folder's current path, not created and not tested for existence;
// empty when the system cannot name it.
std::wstring SpecialFolderPath(int csidl);

}  // namespace qw
