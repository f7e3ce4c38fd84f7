#pragma once
// The one product this installer installs and the maker that publishes it.
// Every folder name, registry key name, message and title takes its names
// from here.

#include <cstdint>
#include <string>

#include "platform/maker_library.h"

namespace qw {

struct ProductIdentity {
  static constexpr const wchar_t* kProductName = L"Meridel";
  static constexpr const wchar_t* kProductVersion = L"6.07c";
  static constexpr const wchar_t* kDisplayName = L"Meridel 6.07c";
  static constexpr std::uint32_t kProductId = 774;  // family 3, major version 6
  // 6.7.3.1 as one unsigned 64-bit number, most significant part first.
  static constexpr std::uint64_t kReleaseFileVersion = 0x0006000700030001ULL;
  static constexpr const wchar_t* kMakerName = qw::kMakerName;
};

// The product key of a product id from the maker's product table; raises
// std::logic_error("logic error") for an id without entry.
std::wstring ProductKeyFor(std::uint32_t productId);

}  // namespace qw
