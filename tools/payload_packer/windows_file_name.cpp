#include "tools/payload_packer/windows_file_name.h"

#include "payload/unicode_text.h"

namespace qw {
namespace {

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; }

// Windows opens the device whatever follows the first dot, and ignores
// spaces before it: "con .txt" is the console too.
bool IsDeviceName(const std::wstring& name) {
  std::wstring base = name.substr(0, name.find(L'.'));
  base.erase(base.find_last_not_of(L' ') + 1);
  for (wchar_t& c : base) c = AsciiUpper(c);
  if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
         base[3] >= L'1' && base[3] <= L'9';
}

std::string Quoted(const std::wstring& name) {
  std::wstring shown;
  for (wchar_t c : name) shown += c < 0x20 ? L'?' : c;
  return "\"" + Utf8FromWide(shown) + "\"";
}

}  // namespace

std::string WindowsFileNameFault(const std::wstring& name) {
  for (wchar_t c : name) {
    if (c < 0x20) return Quoted(name) + " holds a control character";
    if (std::wstring(L"<>:\"|?*").find(c) != std::wstring::npos)
      return Quoted(name) + " holds one of <>:\"|?*";
  }
  if (!name.empty() && (name.back() == L'.' || name.back() == L' '))
    return Quoted(name) + " ends in a dot or space";
  if (IsDeviceName(name)) return Quoted(name) + " is a reserved device name";
  return std::string();
}

}  // namespace qw
