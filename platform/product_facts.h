#pragma once
// The facts of the one product that the installer installs, the uninstaller
// removes and the sample program stands for, in one place for all of them:
// its names and version, the maker's name and product table, the contact
// written into the uninstall entry, and the exit code by which the product's
// program reports a finished registration or unregistration.
//
// The resource scripts of every program include this file as well (their
// version resources, the language libraries' strings): they see only the
// macros, C++ code uses the constants made from them. Nothing here is read
// at run time; the application id that names the shared kernel objects is
// read from the running program's version resource (platform/maker_library.h).

#define QW_TEXT_OF_NUMBER_(n) #n
#define QW_TEXT_OF_NUMBER(n) QW_TEXT_OF_NUMBER_(n)

#define QW_PRODUCT_NAME "Meridel"
#define QW_PRODUCT_VERSION "6.07c"
#define QW_PRODUCT_DISPLAY_NAME QW_PRODUCT_NAME " " QW_PRODUCT_VERSION
#define QW_MAKER_NAME "Quillon Works"
#define QW_APPLICATION_ID "Meridel6"
#define QW_COPYRIGHT "Copyright © 2026 " QW_MAKER_NAME ". All rights reserved."

// The release's file version, 6.7.3.1: four 16-bit parts, most significant
// first.
#define QW_RELEASE_MAJOR 6
#define QW_RELEASE_MINOR 7
#define QW_RELEASE_BUILD 3
#define QW_RELEASE_REVISION 1
#define QW_RELEASE_FILE_VERSION QW_RELEASE_MAJOR, QW_RELEASE_MINOR, QW_RELEASE_BUILD, QW_RELEASE_REVISION
#define QW_RELEASE_FILE_VERSION_TEXT                                   \
  QW_TEXT_OF_NUMBER(QW_RELEASE_MAJOR) "." QW_TEXT_OF_NUMBER(QW_RELEASE_MINOR) "." \
  QW_TEXT_OF_NUMBER(QW_RELEASE_BUILD) "." QW_TEXT_OF_NUMBER(QW_RELEASE_REVISION)

#ifndef RC_INVOKED

#include <cstdint>
#include <stdexcept>

namespace qw {

inline constexpr wchar_t kProductName[] = L"" QW_PRODUCT_NAME;                 // "Meridel"
inline constexpr wchar_t kProductVersion[] = L"" QW_PRODUCT_VERSION;           // "6.07c"
inline constexpr wchar_t kProductDisplayName[] = L"" QW_PRODUCT_DISPLAY_NAME;  // "Meridel 6.07c"
inline constexpr wchar_t kMakerName[] = L"" QW_MAKER_NAME;                     // "Quillon Works"

// 6.7.3.1 as one unsigned 64-bit number, compared as such.
inline constexpr std::uint64_t kReleaseFileVersion =
    (std::uint64_t{QW_RELEASE_MAJOR} << 48) | (std::uint64_t{QW_RELEASE_MINOR} << 32) |
    (std::uint64_t{QW_RELEASE_BUILD} << 16) | std::uint64_t{QW_RELEASE_REVISION};
inline constexpr wchar_t kReleaseFileVersionText[] = L"" QW_RELEASE_FILE_VERSION_TEXT;  // "6.7.3.1"

// The maker's product table: the product key of a product id. Raises
// std::logic_error("logic error") for an id without entry.
constexpr const wchar_t* MakerProductKey(std::uint32_t id) {
  if (id == 0) throw std::logic_error("logic error");
  if (id == 258) return L"Varnel 2";
  if (id <= 516) return L"Varnel 3";
  if (id == 517) return L"Pellam 5";
  if (id == 518) return L"Pellam 6";
  if (id <= 773) throw std::logic_error("logic error");
  if (id == 774) return L"Meridel 6";
  if (id == 775) return L"Meridel 7";
  if (id == 1030) return L"Orvent 6";
  if (id <= 1282) return L"Orvent 7";
  if (id == 1283) throw std::logic_error("logic error");
  if (id == 1284) return L"Dastry 4";
  return L"Ebrun";
}

// 0x306: family 3 in the high byte, major version 6 in the low byte.
inline constexpr std::uint32_t kProductId = 774;
// "Meridel 6": names the uninstall key, the product path value, the default
// installation and Start-menu folders and the run records' folder.
inline constexpr const wchar_t* kProductKey = MakerProductKey(kProductId);

// Written into the uninstall entry (support links and telephone).
inline constexpr wchar_t kMakerWebAddress[] = L"https://www.quillon-works.example/meridel";
inline constexpr wchar_t kMakerTelephone[] = L"+1 555 0142";

// The exit code of the product's program after "/Register /Background" or
// "/Unregister /Background" did its work (0xFFFFFFF6 as the unsigned
// exit code); every other code is a failure.
inline constexpr int kRegisteredExitCode = -10;

}  // namespace qw

#endif  // RC_INVOKED
