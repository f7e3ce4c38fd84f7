#include "payload/wide_path.h"

#include "payload/unicode_text.h"

namespace qw {

boost::filesystem::path WidePath(const std::wstring& text) {
#ifdef _WIN32
  return boost::filesystem::path(text);
#else
  return boost::filesystem::path(Utf8FromWide(text));
#endif
}

std::wstring PathText(const boost::filesystem::path& path) {
#ifdef _WIN32
  return path.wstring();
#else
  return WideFromUtf8(path.string());
#endif
}

}  // namespace qw
