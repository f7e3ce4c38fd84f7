#include "i18n/startup_language.h"

#include <windows.h>

namespace qw {

std::optional<LanguageIndex> ReadStoredProductLanguage(const std::wstring& uninstallKeyPath) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  const LSTATUS status = ::RegGetValueW(HKEY_LOCAL_MACHINE, uninstallKeyPath.c_str(), L"QwLanguage",
                                        RRF_RT_REG_DWORD | RRF_RT_REG_BINARY, nullptr, &value, &size);
  if (status != ERROR_SUCCESS || size != sizeof(value)) return std::nullopt;
  return static_cast<LanguageIndex>(value);
}

void SelectStartupLanguage(const std::wstring& uninstallKeyPath) {
  SetLanguage(DetectUserLanguage(kProductLanguageMask));
  if (const auto stored = ReadStoredProductLanguage(uninstallKeyPath); stored && IsProductLanguage(*stored)) {
    SetLanguage(*stored);
  }
  if (!IsInstallerLanguage(GetLanguage())) SetLanguage(kEnglish);
}

}  // namespace qw
