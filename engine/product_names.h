#pragma once
// The names and facts of the installed product that the install sequence
// writes into the registry, shortcut names and messages. The installer
// fills them from the product's facts (platform/product_facts.h); tests give
// their own. The engine only carries them.

#include <string>

namespace qw {

struct ProductNames {
  std::wstring name;           // "Meridel": the uninstall shortcut, the samples folder
  std::wstring displayName;    // "Meridel 6.07c": shortcuts and the uninstall entry
  std::wstring key;            // "Meridel 6": the uninstall key and the product path value
  std::wstring fileVersion;    // "6.7.3.1"
  std::wstring publisher;      // "Quillon Works"
  std::wstring webAddress;
  std::wstring telephone;
};

}  // namespace qw
