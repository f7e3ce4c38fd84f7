#pragma once
// The one product this installer installs and the maker that publishes it,
// as the installer's code names them. The values come from the facts that
// the installer, the uninstaller and the sample program share
// (platform/product_facts.h); every folder name, registry key name, message
// and title takes its names from there.

#include <cstdint>
#include <string>

#include "platform/product_facts.h"

namespace qw {

struct ProductIdentity {
  static constexpr const wchar_t* kProductName = qw::kProductName;
  static constexpr const wchar_t* kProductVersion = qw::kProductVersion;
  static constexpr const wchar_t* kDisplayName = qw::kProductDisplayName;
  static constexpr std::uint32_t kProductId = qw::kProductId;
  static constexpr std::uint64_t kReleaseFileVersion = qw::kReleaseFileVersion;
  static constexpr const wchar_t* kMakerName = qw::kMakerName;
};

// The product key of a product id from the maker's product table; raises
// std::logic_error("logic error") for an id without entry.
std::wstring ProductKeyFor(std::uint32_t productId);

}  // namespace qw
