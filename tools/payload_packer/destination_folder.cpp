#include "tools/payload_packer/destination_folder.h"

#include <locale>
#include <stdexcept>
#include <vector>

#include "payload/folder_placeholder.h"
#include "payload/unicode_text.h"
#include "tools/payload_packer/windows_file_name.h"

namespace qw {
namespace {

// Windows compares names without regard to case for every script, so the
// key folds beyond ASCII where the build machine knows how.
const std::locale& FoldingLocale() {
  static const std::locale locale = [] {
    try {
      return std::locale("C.UTF-8");
    } catch (const std::runtime_error&) {
      return std::locale::classic();
    }
  }();
  return locale;
}

std::wstring Folded(std::wstring text) {
  const auto& ctype = std::use_facet<std::ctype<wchar_t>>(FoldingLocale());
  ctype.tolower(&text[0], &text[0] + text.size());
  return text;
}

}  // namespace

void CheckDestinationFolder(const std::wstring& destination) {
  const std::vector<std::wstring> components = SplitPlaceholderPath(destination);
  if (components.empty()) throw std::runtime_error("empty destination");
  const std::wstring& first = components.front();
  if (!IsPlaceholderToken(first)) {
    if (first.size() >= 2 && first.front() == L'<' && first.back() == L'>')
      throw std::runtime_error("unknown folder token " + Utf8FromWide(first));
    throw std::runtime_error("destination " + Utf8FromWide(destination) +
                             " does not start with a folder token");
  }
  // The resolver would skip a separator before the token; other readers of
  // the destination would not.
  if (destination.compare(0, first.size(), first) != 0)
    throw std::runtime_error("destination " + Utf8FromWide(destination) +
                             " does not start with a folder token");
  for (std::size_t i = 1; i < components.size(); ++i) {
    if (components[i] == L"." || components[i] == L"..")
      throw std::runtime_error("destination " + Utf8FromWide(destination) + " holds \"" +
                               Utf8FromWide(components[i]) + "\"");
    const std::string fault = WindowsFileNameFault(components[i]);
    if (!fault.empty()) throw std::runtime_error("destination folder " + fault);
  }
}

std::wstring InstalledFileKey(const std::wstring& destination, const std::wstring& fileName) {
  const std::vector<std::wstring> components = SplitPlaceholderPath(destination);
  std::wstring key;
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (components[i] == L".") continue;
    key += i == 0 ? components[i] : Folded(components[i]);
    key += L'\\';
  }
  return key + Folded(fileName);
}

}  // namespace qw
