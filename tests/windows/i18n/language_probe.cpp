// A child process for the detection tests: Wine takes the user's default
// language from the Unix locale of the process, so each case needs a
// process of its own. Writes what the language state decides to
// `outputFile`, one "name=value" a line (UTF-8), and renames it into place
// only when complete:
//   language_probe.exe outputFile [productKey]
// With a product key, start-up's language choice runs with that key.
#include <windows.h>

#include <string>

#include "app/install_context.h"
#include "build_tree.h"
#include "i18n/language_state.h"
#include "engine/uninstall_key.h"
#include "i18n/startup_language.h"
#include "platform/handles.h"

namespace {

std::string Utf8(const std::wstring& text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
  return out;
}

std::string Line(const char* name, const std::string& value) {
  return std::string(name) + "=" + value + "\n";
}

bool WriteAnswer(const std::wstring& path, const std::string& text) {
  const std::wstring partial = path + L".partial";
  {
    qw::UniqueFile file(::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                              nullptr)) {
      return false;
    }
  }
  return ::MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const qw::UniqueModule strings(
      ::LoadLibraryExW(QW_TEST_INSTALLER, nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!strings) return 3;
  qw::SetResourceModuleForTesting(strings.get());

  wchar_t langId[8] = {};
  wsprintfW(langId, L"%04x", static_cast<unsigned>(::GetUserDefaultLangID()));
  std::string answer = Line("langid", Utf8(langId));
  answer += Line("detected", std::to_string(qw::DetectUserLanguage(qw::kProductLanguageMask)));
  answer += Line("detected_default", std::to_string(qw::DetectUserLanguage(0)));
  if (argc > 2) {
    qw::SelectStartupLanguage(qw::UninstallKeyPath(argv[2]));
    answer += Line("startup", std::to_string(qw::GetLanguage()));
    answer += Line("title", Utf8(qw::InstallContext::BuildTitle(true)));
  }
  qw::SetResourceModuleForTesting(nullptr);
  return WriteAnswer(argv[1], answer) ? 0 : 4;
}
