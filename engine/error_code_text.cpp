#include "engine/error_code_text.h"

#include <cwchar>

#include "engine/install_error.h"
#include "engine/product_path.h"
#include "i18n/message_lookup.h"
#include "payload/compress_error.h"
#include "payload/temporary_folder.h"

namespace qw {
namespace {

std::wstring Hex(const wchar_t* prefix, int value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%ls%08X", prefix, static_cast<unsigned>(value));
  return text;
}

}  // namespace

std::wstring ErrorCodeText(const std::error_code& code) {
  if (code.category() == std::system_category()) return Hex(L"1:", code.value());
  if (code.category() == std::generic_category()) return Hex(L"2:", code.value());
  if (code.category() == compress_category()) return std::to_wstring(code.value());
  if (code.category() == install_category()) return std::to_wstring(code.value());
  if (code.category() == product_path_category()) return L"-1";
  if (const wchar_t* call = TemporaryFolderCallName(code.category())) {
    wchar_t text[64];
    std::swprintf(text, 64, L"%08x (%ls)", static_cast<unsigned>(code.value()), call);
    return text;
  }
  return L"7";
}

std::wstring InstallationFailedText(const std::error_code& code) {
  return FormatMessageText(msg::kInstallationFailed, ErrorCodeText(code));
}

}  // namespace qw
