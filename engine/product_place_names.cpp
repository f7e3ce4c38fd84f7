#include "engine/product_place_names.h"

#include "i18n/language_state.h"
#include "i18n/message_lookup.h"

namespace qw {

void AddProductPlaceNames(ProductPlaceFacts& facts, const std::wstring& productName,
                          const std::wstring& displayName) {
  facts.shortcutNames.push_back(displayName + L".lnk");
  for (std::int32_t language = 0; language < kLanguageCount; ++language) {
    const std::wstring samples = LoadMessageInLanguage(language, msg::kExamplesFolder);
    if (!samples.empty()) facts.samplesFolderNames.push_back(FormatText(samples, productName));
    const std::wstring uninstall = LoadMessageInLanguage(language, msg::kUninstallShortcutName);
    if (!uninstall.empty()) facts.shortcutNames.push_back(FormatText(uninstall, productName) + L".lnk");
  }
}

}  // namespace qw
