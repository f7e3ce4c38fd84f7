// Host folders standing in for the shell folders, so that the reader and
// its placeholders work unchanged on a POSIX host. Machine-wide folders map
// onto the Filesystem Hierarchy Standard, per-user ones onto $HOME (and the
// XDG variables where they exist). The common desktop and common documents
// have no host counterpart and give nothing, so their per-user fallbacks
// apply as they do on a Windows system without them.

#include "payload/special_folder.h"

#include <cstdlib>
#include <string>

#include "payload/unicode_text.h"

namespace qw {
namespace {

std::wstring Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? WideFromUtf8(value) : std::wstring();
}

std::wstring UnderHome(const wchar_t* relative) {
  const std::wstring home = Environment("HOME");
  return home.empty() ? std::wstring() : home + L"/" + relative;
}

}  // namespace

std::wstring SpecialFolderPath(int csidl) {
  switch (csidl) {
    case csidl::kProgramFiles: return L"/opt";
    case csidl::kProgramFilesCommon: return L"/usr/local/share";
    case csidl::kCommonAppData: return L"/var/lib";
    case csidl::kWindows: return L"/";
    case csidl::kSystem: return L"/usr/lib";
    case csidl::kAppData: {
      const std::wstring data = Environment("XDG_DATA_HOME");
      return data.empty() ? UnderHome(L".local/share") : data;
    }
    case csidl::kPersonal: return UnderHome(L"Documents");
    case csidl::kDesktopDirectory: return UnderHome(L"Desktop");
    default: return std::wstring();
  }
}

}  // namespace qw
