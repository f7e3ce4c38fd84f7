#include "engine/error_code_text.h"

#include <cwchar>

#include "engine/install_error.h"
#include "payload/compress_error.h"

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
  return L"7";
}

}  // namespace qw
