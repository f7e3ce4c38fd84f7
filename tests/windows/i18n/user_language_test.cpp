// The user's language and the start-up language, decided in child processes:
// under Wine the Unix locale variables of a process give its default user
// language, so each case starts the probe with LC_ALL and LANG of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "i18n/language_state.h"
#include "platform/handles.h"

namespace qw {
namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, wcslen(prefix), prefix) == 0;
}

// This process's environment without its locale variables, plus LC_ALL and
// LANG set to `unixLocale`.
std::wstring EnvironmentWithLocale(const std::wstring& unixLocale) {
  std::wstring block;
  wchar_t* strings = ::GetEnvironmentStringsW();
  for (const wchar_t* entry = strings; entry && *entry; entry += wcslen(entry) + 1) {
    const std::wstring variable = entry;
    if (StartsWith(variable, L"LC_") || StartsWith(variable, L"LANG=") ||
        StartsWith(variable, L"LANGUAGE=")) {
      continue;
    }
    block += variable;
    block += L'\0';
  }
  if (strings) ::FreeEnvironmentStringsW(strings);
  block += L"LC_ALL=" + unixLocale + L'\0';
  block += L"LANG=" + unixLocale + L'\0';
  block += L'\0';
  return block;
}

// Runs the probe in `unixLocale` and returns its "name=value" lines.
std::map<std::string, std::string> RunProbe(const std::wstring& unixLocale,
                                            const std::wstring& productKey = std::wstring()) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {};
  UniqueHandle reader(readEnd);
  UniqueHandle writer(writeEnd);
  ::SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writer.get();
  startup.hStdError = writer.get();
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  std::wstring commandLine = L"\"" + std::wstring(QW_LANGUAGE_PROBE) + L"\"";
  if (!productKey.empty()) commandLine += L" \"" + productKey + L"\"";
  std::wstring environment = EnvironmentWithLocale(unixLocale);
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(QW_LANGUAGE_PROBE, commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environment.data(), nullptr,
                        &startup, &process)) {
    ADD_FAILURE() << "cannot start the probe: " << ::GetLastError();
    return {};
  }
  UniqueHandle child(process.hProcess);
  UniqueHandle thread(process.hThread);
  writer.reset();  // the pipe ends when the child's copy closes

  std::string output;
  char buffer[512];
  DWORD read = 0;
  while (::ReadFile(reader.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    output.append(buffer, read);
  }
  ::WaitForSingleObject(child.get(), 30000);
  DWORD exitCode = 1;
  ::GetExitCodeProcess(child.get(), &exitCode);
  EXPECT_EQ(exitCode, 0u) << output;

  std::map<std::string, std::string> values;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    start = end + 1;
  }
  return values;
}

std::string Number(int value) { return std::to_string(value); }

TEST(UserLanguage, ChildProcessTakesTheLocaleGiven) {
  EXPECT_EQ(RunProbe(L"fr_FR.UTF-8")["langid"], "040c");
  EXPECT_EQ(RunProbe(L"da_DK.UTF-8")["langid"], "0406");
  EXPECT_EQ(RunProbe(L"zh_TW.UTF-8")["langid"], "0404");
}

TEST(UserLanguage, DetectedAmongTheProductLanguages) {
  const struct {
    const wchar_t* locale;
    LanguageIndex expected;
  } cases[] = {
      {L"fr_FR.UTF-8", kFrench},  {L"en_US.UTF-8", kEnglish},
      {L"de_DE.UTF-8", kGerman},  {L"it_IT.UTF-8", kItalian},
      {L"nl_NL.UTF-8", kDutch},   {L"zh_CN.UTF-8", kChineseSimplified},
      {L"he_IL.UTF-8", kHebrew},  // product languages are found
      {L"da_DK.UTF-8", kEnglish}, {L"cs_CZ.UTF-8", kEnglish},
      {L"zh_TW.UTF-8", kEnglish},  // Danish, Czech, Traditional Chinese are not
      {L"ja_JP.UTF-8", kEnglish},  // nor are languages the installer does not know
  };
  for (const auto& c : cases) {
    auto probe = RunProbe(c.locale);
    EXPECT_EQ(probe["detected"], Number(c.expected)) << ::testing::PrintToString(c.locale);
    EXPECT_EQ(probe["detected_default"], Number(kFrench)) << ::testing::PrintToString(c.locale);
  }
}

// An uninstall key of this test's own with "QwLanguage", removed afterwards.
class StoredLanguage {
 public:
  StoredLanguage()
      : name_(L"Meridel i18n test " + std::to_wstring(::GetCurrentProcessId())),
        path_(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name_) {}
  ~StoredLanguage() { ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, path_.c_str()); }

  bool Write(DWORD value) const {
    return ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, path_.c_str(), L"QwLanguage", REG_DWORD, &value,
                             sizeof(value)) == ERROR_SUCCESS;
  }
  const std::wstring& ProductKey() const { return name_; }

 private:
  std::wstring name_;
  std::wstring path_;
};

TEST(StartupLanguage, StoredProductLanguageWins) {
  StoredLanguage stored;
  auto probe = RunProbe(L"fr_FR.UTF-8", stored.ProductKey());
  EXPECT_EQ(probe["startup"], Number(kFrench));  // nothing stored yet
  EXPECT_EQ(probe["title"], "Installeur \xE2\x80\x93 Meridel 6.07c");

  ASSERT_TRUE(stored.Write(kGerman));
  probe = RunProbe(L"fr_FR.UTF-8", stored.ProductKey());
  EXPECT_EQ(probe["startup"], Number(kGerman));
  EXPECT_EQ(probe["title"], "Installationsprogramm \xE2\x80\x93 Meridel 6.07c");
}

TEST(StartupLanguage, ProductLanguageWithoutInstallerTextsGivesEnglish) {
  StoredLanguage stored;
  ASSERT_TRUE(stored.Write(kDutch));
  auto probe = RunProbe(L"fr_FR.UTF-8", stored.ProductKey());
  EXPECT_EQ(probe["startup"], Number(kEnglish));
  EXPECT_EQ(probe["title"], "Installer \xE2\x80\x93 Meridel 6.07c");
}

TEST(StartupLanguage, StoredValueThatIsNoProductLanguageIsIgnored) {
  StoredLanguage stored;
  for (DWORD value : {DWORD{kDanish}, DWORD{18}, DWORD{0xFFFFFFFF}}) {
    ASSERT_TRUE(stored.Write(value));
    auto probe = RunProbe(L"fr_FR.UTF-8", stored.ProductKey());
    EXPECT_EQ(probe["startup"], Number(kFrench)) << value;
    EXPECT_EQ(probe["title"], "Installeur \xE2\x80\x93 Meridel 6.07c") << value;
  }
}

TEST(StartupLanguage, UserLanguageWithoutInstallerTextsGivesEnglish) {
  EXPECT_EQ(RunProbe(L"nl_NL.UTF-8", L"Meridel i18n test absent")["startup"], Number(kEnglish));
  EXPECT_EQ(RunProbe(L"cs_CZ.UTF-8", L"Meridel i18n test absent")["startup"], Number(kEnglish));
  EXPECT_EQ(RunProbe(L"tr_TR.UTF-8", L"Meridel i18n test absent")["startup"], Number(kTurkish));
}

}  // namespace
}  // namespace qw
