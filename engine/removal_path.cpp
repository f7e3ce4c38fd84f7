#include "engine/removal_path.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "engine/removal_error.h"
#include "engine/system_path_form.h"
#include "platform/path_elements.h"
#include "platform/same_name.h"

namespace qw {
namespace {

// Whether `inner` starts with all the elements of `outer`, with at least
// `more` elements beyond them.
bool StartsWith(const std::vector<std::wstring>& inner, const std::vector<std::wstring>& outer,
                std::size_t more) {
  if (outer.empty() || inner.size() < outer.size() + more) return false;
  return std::equal(outer.begin(), outer.end(), inner.begin(), SameName);
}

// CON, NUL, COM1 and the like, with or without an extension: the system
// opens the device wherever the name stands.
bool IsDeviceName(const std::wstring& element) {
  std::wstring stem = element.substr(0, element.find(L'.'));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  for (wchar_t& c : stem) c = static_cast<wchar_t>(std::towupper(c));
  if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" || stem == L"CONIN$" ||
      stem == L"CONOUT$")
    return true;
  return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
         stem[3] >= L'1' && stem[3] <= L'9';
}

bool IsPlainName(const std::wstring& element) {
  if (element.back() == L'.' || element.back() == L' ') return false;  // the system drops them
  return std::none_of(element.begin(), element.end(), [](wchar_t c) {
    return c < 0x20 || std::wcschr(L"<>:\"|?*", c) != nullptr;  // ':' opens a stream
  });
}

}  // namespace

std::vector<std::wstring> FullPathElements(const std::wstring& path) {
  if (!IsAbsoluteDrivePath(path) || HasEmptyElement(path)) return {};
  return PathElements(path);
}

bool IsSameOrInside(const std::wstring& path, const std::wstring& folder) {
  return StartsWith(FullPathElements(path), FullPathElements(folder), 0);
}

bool IsStrictlyInside(const std::wstring& path, const std::wstring& folder) {
  return StartsWith(FullPathElements(path), FullPathElements(folder), 1);
}

bool IsSamePath(const std::wstring& a, const std::wstring& b) {
  const auto elements = FullPathElements(a);
  return !elements.empty() && elements.size() == FullPathElements(b).size() && IsSameOrInside(a, b);
}

std::error_code CheckPathForm(const std::wstring& path) {
  const std::vector<std::wstring> elements = FullPathElements(path);
  if (elements.empty()) return removal_errc::relative_path;
  for (std::size_t i = 1; i < elements.size(); ++i) {
    // Trailing dots and blanks vanish from Windows names: "..." and ". "
    // reach the same places as ".".
    if (elements[i].find_first_not_of(L". ") == std::wstring::npos) return removal_errc::dot_element;
    if (!IsPlainName(elements[i]) || IsDeviceName(elements[i])) return removal_errc::other_form;
  }
  // Whatever else the system would read differently ("/" for "\", ...).
  if (!SameName(FullPathName(path), path)) return removal_errc::other_form;
  // A short name of an existing folder or file ("PROGRA~1") reaches the
  // same place as its long name and would slip past every comparison.
  std::wstring existing = path;
  while (::GetFileAttributesW(existing.c_str()) == INVALID_FILE_ATTRIBUTES) {
    existing = ParentPath(existing);
    if (existing.size() <= 3) return {};  // the drive's root: nothing below it exists
  }
  const std::wstring longForm = LongPathName(existing);
  if (!longForm.empty() && !SameName(longForm, existing)) return removal_errc::other_form;
  return {};
}

std::wstring LongFolderPath(const std::wstring& path) {
  const std::wstring longForm = LongPathName(path);
  return longForm.empty() ? path : longForm;
}

}  // namespace qw
