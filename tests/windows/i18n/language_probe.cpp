// A child process for the detection tests: Wine takes the user's default
// language from the Unix locale of the process, so each case needs a
// process of its own. Prints what the language state decides, one
// "name=value" a line (UTF-8):
//   language_probe.exe [productKey]
// With a product key, start-up's language choice runs with that key.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/install_context.h"
#include "i18n/language_state.h"
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const qw::UniqueModule strings(
      ::LoadLibraryExW(QW_TEST_INSTALLER, nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!strings) return 2;
  qw::SetResourceModuleForTesting(strings.get());

  std::printf("langid=%04x\n", static_cast<unsigned>(::GetUserDefaultLangID()));
  std::printf("detected=%d\n", qw::DetectUserLanguage(qw::kProductLanguageMask));
  std::printf("detected_default=%d\n", qw::DetectUserLanguage(0));
  if (argc > 1) {
    qw::SelectStartupLanguage(argv[1]);
    std::printf("startup=%d\n", qw::GetLanguage());
    std::printf("title=%s\n", Utf8(qw::InstallContext::BuildTitle(true)).c_str());
  }
  std::fflush(stdout);
  qw::SetResourceModuleForTesting(nullptr);
  return 0;
}
