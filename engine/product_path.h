#pragma once
// The product path value: the installed program's path under the maker's
// key, where later installers look for an existing installation.

#include <string>
#include <system_error>

#include "engine/install_request.h"

namespace qw {

// The category of RegisterProductPath's failures, named "product path":
// its values are the system's error codes of the registry call that
// failed. The status line shows every one of them as "-1".
const std::error_category& product_path_category() noexcept;

// Writes value `productKey` + " Path" (REG_SZ, with its NUL) of
// `location`, creating the key when needed. Returns the system's error, in
// product_path_category(), when the key or the value could not be written; a key created by this
// call is then deleted again, so that a failure leaves the registry as it
// found it. The value is not journaled: a later rollback leaves it in
// place.
[[nodiscard]] std::error_code RegisterProductPath(const std::wstring& programPath, const std::wstring& productKey,
                         const ProductPathLocation& location = ProductPathLocation());

}  // namespace qw
