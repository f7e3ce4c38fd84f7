#include "app/product_identity.h"

namespace qw {

std::wstring ProductKeyFor(std::uint32_t id) { return MakerProductKey(id); }

}  // namespace qw
