#pragma once
// The product path value: the installed program's path under the maker's
// key, where later installers look for an existing installation.

#include <string>

#include "engine/install_request.h"

namespace qw {

// Writes value `productKey` + " Path" (REG_SZ, with its NUL) of
// `location`, creating the key when needed. Returns false when the key or
// the value could not be written; a key created by this call is then
// deleted again, so that a failure leaves the registry as it found it.
// The value is not journaled: a later rollback leaves it in place.
bool RegisterProductPath(const std::wstring& programPath, const std::wstring& productKey,
                         const ProductPathLocation& location = ProductPathLocation());

}  // namespace qw
