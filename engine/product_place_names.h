#pragma once
// The names an installation of the product can have given its samples
// folder and its shortcuts, in every language the installer speaks: what
// the uninstaller and the recovery of an interrupted installation accept
// (engine/removal_places.h), whatever language that installation ran in.

#include <string>

#include "engine/removal_places.h"

namespace qw {

// Fills the samples folder names and the shortcut names of `facts` for the
// product `productName` ("Meridel") whose program shortcut is named
// `displayName` ("Meridel 6.07c").
void AddProductPlaceNames(ProductPlaceFacts& facts, const std::wstring& productName,
                          const std::wstring& displayName);

}  // namespace qw
