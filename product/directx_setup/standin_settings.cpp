#include "product/directx_setup/standin_settings.h"

#include <cwchar>
#include <string>

namespace {

bool ParseInteger(const std::wstring& text, long& value) {
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  value = std::wcstol(text.c_str(), &end, 0);
  return end != nullptr && *end == L'\0';
}

}  // namespace

StandInSettings ReadStandInSettings() {
  StandInSettings settings;
  wchar_t buffer[256] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"QW_DSETUP_STANDIN", buffer, 256);
  if (length == 0 || length >= 256) return settings;
  std::wstring text(buffer, length);
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L';', start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring pair = text.substr(start, end - start);
    const size_t equals = pair.find(L'=');
    long value = 0;
    if (equals != std::wstring::npos && ParseInteger(pair.substr(equals + 1), value)) {
      const std::wstring name = pair.substr(0, equals);
      if (name == L"revision") settings.revision = static_cast<DWORD>(value);
      if (name == L"version") settings.version = static_cast<DWORD>(value);
      if (name == L"result") settings.result = static_cast<INT>(value);
    }
    start = end + 1;
  }
  return settings;
}
