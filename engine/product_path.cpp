#include "engine/product_path.h"

#include <string>

#include "engine/product_registry.h"
#include "platform/handles.h"
#include "platform/registry_key.h"
#include "platform/system_error.h"

namespace qw {
namespace {

class ProductPathCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "product path"; }
  std::string message(int value) const override { return std::system_category().message(value); }
};

std::error_code NotRecorded(const std::error_code& systemError) {
  return {systemError.value(), product_path_category()};
}

}  // namespace

const std::error_category& product_path_category() noexcept {
  static const ProductPathCategory category;
  return category;
}

std::error_code RegisterProductPath(const std::wstring& programPath, const std::wstring& productKey,
                                    const ProductPathLocation& location) {
  UniqueRegKey key;
  bool created = false;
  if (const std::error_code error = CreateRegKey(location.root, location.subkey, KEY_SET_VALUE, key, &created))
    return NotRecorded(error);
  const std::wstring name = ProductPathValueName(productKey);
  const auto bytes = static_cast<DWORD>((programPath.size() + 1) * sizeof(wchar_t));
  const LSTATUS status = ::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(programPath.c_str()), bytes);
  key.reset();
  if (status == ERROR_SUCCESS) return {};
  // A failed run is rolled back; a key it made for nothing must not stay.
  if (created) ::RegDeleteKeyW(location.root, location.subkey.c_str());
  return NotRecorded(SystemError(static_cast<DWORD>(status)));
}

}  // namespace qw
