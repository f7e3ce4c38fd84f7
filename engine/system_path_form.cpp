#include "engine/system_path_form.h"

#include <windows.h>

namespace qw {

std::wstring FullPathName(const std::wstring& path) {
  const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::wstring();
  std::wstring full(size, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return std::wstring();
  full.resize(length);
  return full;
}

std::wstring LongPathName(const std::wstring& path) {
  const DWORD size = ::GetLongPathNameW(path.c_str(), nullptr, 0);
  if (size == 0) return std::wstring();
  std::wstring longForm(size, L'\0');
  const DWORD length = ::GetLongPathNameW(path.c_str(), longForm.data(), size);
  if (length == 0 || length >= size) return std::wstring();
  longForm.resize(length);
  return longForm;
}

}  // namespace qw
