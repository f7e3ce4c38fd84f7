// The user's language and the start-up language, decided in child processes:
// under Wine the Unix locale variables of a process give its default user
// language, so each case starts the probe with LC_ALL and LANG of its own.
// Windows has one user language per user: there these tests skip.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "child_process.h"
#include "i18n/language_state.h"
#include "platform/handles.h"
#include "platform_probes.h"
#include "wine.h"

namespace qw {
namespace {

std::wstring UniqueOutputFile() {
  static int count = 0;
  wchar_t folder[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + L"qw_language_probe_" + std::to_wstring(::GetCurrentProcessId()) +
         L"_" + std::to_wstring(++count) + L".txt";
}

// The file's text once it exists (the probe renames it into place when
// complete); empty after 30 s.
std::string WaitForFile(const std::wstring& path) {
  for (int attempt = 0; attempt < 300; ++attempt) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    if (file) {
      std::string text;
      char buffer[512];
      DWORD read = 0;
      while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        text.append(buffer, read);
      }
      file.reset();
      ::DeleteFileW(path.c_str());
      return text;
    }
    ::Sleep(100);
  }
  return std::string();
}

// Runs the probe in `unixLocale` and returns its "name=value" lines. The
// probe answers in a file: a program started through env(1) under Wine has
// no standard handles of ours.
std::map<std::string, std::string> RunProbe(const std::wstring& unixLocale,
                                            const std::wstring& productKey = std::wstring()) {
  const std::wstring outputFile = UniqueOutputFile();
  std::wstring arguments = L"\"" + outputFile + L"\"";
  if (!productKey.empty()) arguments += L" \"" + productKey + L"\"";
  if (!test::StartInUnixLocale(test::TestProgramFolder() + L"language_probe.exe", unixLocale, {}, arguments)) {
    ADD_FAILURE() << "cannot start the probe: " << ::GetLastError();
    return {};
  }
  const std::string output = WaitForFile(outputFile);

  std::map<std::string, std::string> values;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    const std::string line = output.substr(start, end - start);
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    start = end + 1;
  }
  EXPECT_EQ(values.count("langid"), 1u) << "probe output: " << output;
  return values;
}

// The user's language of a child process can be chosen only through
// Wine's Unix locale; the probe says whether that is at hand.
#define SKIP_UNLESS_A_CHILD_CAN_HAVE_ITS_OWN_LANGUAGE()                                \
  if (const test::ProbeResult probe = test::ProbeUnixLocaleStart(); !probe.works) \
  GTEST_SKIP() << probe.finding

std::string Number(int value) { return std::to_string(value); }

TEST(UserLanguage, ChildProcessTakesTheLocaleGiven) {
  SKIP_UNLESS_A_CHILD_CAN_HAVE_ITS_OWN_LANGUAGE();
  EXPECT_EQ(RunProbe(L"fr_FR.UTF-8")["langid"], "040c");
  EXPECT_EQ(RunProbe(L"da_DK.UTF-8")["langid"], "0406");
  EXPECT_EQ(RunProbe(L"zh_TW.UTF-8")["langid"], "0404");
}

TEST(UserLanguage, DetectedAmongTheProductLanguages) {
  SKIP_UNLESS_A_CHILD_CAN_HAVE_ITS_OWN_LANGUAGE();
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
  SKIP_UNLESS_A_CHILD_CAN_HAVE_ITS_OWN_LANGUAGE();
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
  SKIP_UNLESS_A_CHILD_CAN_HAVE_ITS_OWN_LANGUAGE();
  StoredLanguage stored;
  ASSERT_TRUE(stored.Write(kDutch));
  auto probe = RunProbe(L"fr_FR.UTF-8", stored.ProductKey());
  EXPECT_EQ(probe["startup"], Number(kEnglish));
  EXPECT_EQ(probe["title"], "Installer \xE2\x80\x93 Meridel 6.07c");
}

TEST(StartupLanguage, StoredValueThatIsNoProductLanguageIsIgnored) {
  SKIP_UNLESS_A_CHILD_CAN_HAVE_ITS_OWN_LANGUAGE();
  StoredLanguage stored;
  for (DWORD value : {DWORD{kDanish}, DWORD{18}, DWORD{0xFFFFFFFF}}) {
    ASSERT_TRUE(stored.Write(value));
    auto probe = RunProbe(L"fr_FR.UTF-8", stored.ProductKey());
    EXPECT_EQ(probe["startup"], Number(kFrench)) << value;
    EXPECT_EQ(probe["title"], "Installeur \xE2\x80\x93 Meridel 6.07c") << value;
  }
}

TEST(StartupLanguage, UserLanguageWithoutInstallerTextsGivesEnglish) {
  SKIP_UNLESS_A_CHILD_CAN_HAVE_ITS_OWN_LANGUAGE();
  EXPECT_EQ(RunProbe(L"nl_NL.UTF-8", L"Meridel i18n test absent")["startup"], Number(kEnglish));
  EXPECT_EQ(RunProbe(L"cs_CZ.UTF-8", L"Meridel i18n test absent")["startup"], Number(kEnglish));
  EXPECT_EQ(RunProbe(L"tr_TR.UTF-8", L"Meridel i18n test absent")["startup"], Number(kTurkish));
}

}  // namespace
}  // namespace qw
