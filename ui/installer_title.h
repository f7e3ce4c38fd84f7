#pragma once
// The installer's title in the current language: message 1000, and where a
// window names the product, " – " and the product's display name after it.

#include <string>

namespace qw {

// "Installer".
std::wstring InstallerTitle();
// "Installer – Meridel 6.07c" for `productDisplayName` "Meridel 6.07c".
std::wstring InstallerTitle(const std::wstring& productDisplayName);

}  // namespace qw
