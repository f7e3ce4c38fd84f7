#include "platform/system_error.h"

#include "platform/handles.h"

namespace qw {

std::error_code LastError() { return SystemError(::GetLastError()); }

std::error_code SystemError(DWORD code) {
  return std::error_code(static_cast<int>(code), std::system_category());
}

namespace {

// Empty when the system has no text for `code`.
std::wstring MessageTableText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  UniqueLocalMemory owner(buffer);
  std::wstring text(buffer ? buffer : L"", buffer ? length : 0);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
  return text;
}

}  // namespace

std::wstring SystemErrorText(DWORD code) {
  std::wstring text = MessageTableText(code);
  if (text.empty()) text = MessageTableText(static_cast<DWORD>(E_FAIL));
  if (text.empty()) text = L"Error";
  return text;
}

}  // namespace qw
