#pragma once
// What the uninstaller does for now: it tells the user that it will
// uninstall Meridel and removes nothing. Its behaviour (reading
// "Uninstall.ulog" and undoing the installation) comes later.

#include <string>

namespace qw::uninstaller {

inline constexpr wchar_t kNoticeCaption[] = L"Uninstall Meridel 6.07c";
inline constexpr wchar_t kNoticeText[] =
    L"This program will uninstall Meridel 6.07c by Quillon Works from this computer.";

// Shows the notice and waits for the user; returns 0.
int ShowUninstallNotice();

}  // namespace qw::uninstaller
