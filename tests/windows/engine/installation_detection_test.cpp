// Detection of an existing installation against real registry values and
// real files: modules of several versions stand for the installed program.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "build_tree.h"
#include "engine/installation_detection.h"
#include "engine/registry_string.h"
#include "registry_value_guard.h"
#include "scratch_folder.h"

namespace {

using qw::InstalledState;
using qw::test::RegistryValueGuard;
using qw::test::ScratchFolder;
using qw::test::WriteTestFile;

constexpr std::uint64_t kRelease = 0x0006000700030001ULL;  // 6.7.3.1
const std::wstring kProductKey = L"Meridel 6";
const std::wstring kMakerKey = L"Software\\Quillon Works";
const std::wstring kPathValue = L"Meridel 6 Path";
const std::wstring kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Meridel 6";

std::wstring Program(const std::wstring& version) {
  return std::wstring(QW_INSTALLED_PROGRAMS) + L"\\Meridel-" + version + L".exe";
}

bool SetValue(HKEY root, const std::wstring& subkey, const std::wstring& name, DWORD type,
              const void* data, DWORD size) {
  return qw::test::SetRegistryValue(root, subkey, name, type, data, size);
}

bool SetString(HKEY root, const std::wstring& subkey, const std::wstring& name, const std::wstring& text) {
  return qw::test::SetRegistryString(root, subkey, name, text);
}

void DeleteValue(HKEY root, const std::wstring& subkey, const std::wstring& name) {
  qw::test::DeleteRegistryValue(root, subkey, name);
}

TEST(InstallationDetection, ClassifiesByTheInstalledProgramsFileVersion) {
  struct Case {
    const wchar_t* version;
    InstalledState state;
    const wchar_t* shownVersion;
  } cases[] = {
      {L"6.7.3.1", InstalledState::SameVersion, L""},
      {L"6.7.3.2", InstalledState::NewerVersion, L"Meridel 6.07d"},
      {L"6.8.0.0", InstalledState::NewerVersion, L"Meridel 6.08"},
      {L"6.7.3.0", InstalledState::OlderVersion, L"Meridel 6.07b"},
      {L"6.6.9.9", InstalledState::OlderVersion, L"Meridel 6.06i"},
      {L"5.99.0.0", InstalledState::OlderVersion, L"Meridel 5.99"},
      {L"unversioned", InstalledState::SameVersion, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.version, c.version + wcslen(c.version)));
    const qw::InstallationClassification found = qw::ClassifyProgram(Program(c.version), kRelease);
    EXPECT_EQ(found.state, c.state);
    EXPECT_EQ(found.installedVersion, c.shownVersion);
  }
  EXPECT_EQ(qw::ClassifyProgram(L"", kRelease).state, InstalledState::NotInstalled);
}

class DetectionRecords : public ::testing::Test {
 protected:
  RegistryValueGuard path_{HKEY_LOCAL_MACHINE, kMakerKey, kPathValue};
  RegistryValueGuard uninstallString_{HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString"};
  ScratchFolder folder_{L"detection"};
};

TEST_F(DetectionRecords, AnUninstallEntryWithoutProductPathIsNotAnInstallation) {
  DeleteValue(HKEY_LOCAL_MACHINE, kMakerKey, kPathValue);
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", Program(L"6.7.3.1")));
  EXPECT_EQ(qw::ReadInstalledProgram(kProductKey), L"");
  EXPECT_EQ(qw::ClassifyProgram(qw::ReadInstalledProgram(kProductKey), kRelease).state,
            InstalledState::NotInstalled);
}

TEST_F(DetectionRecords, AProductPathToADeletedFileIsNotAnInstallation) {
  const std::wstring program = folder_ / L"Meridel.exe";
  ASSERT_TRUE(::CopyFileW(Program(L"6.7.3.0").c_str(), program.c_str(), FALSE));
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kMakerKey, kPathValue, program));
  EXPECT_EQ(qw::ReadInstalledProgram(kProductKey), program);
  ASSERT_TRUE(::DeleteFileW(program.c_str()));
  EXPECT_EQ(qw::ReadInstalledProgram(kProductKey), L"");
}

TEST_F(DetectionRecords, InstalledProgramIsLookedUpOncePerProcess) {
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kMakerKey, kPathValue, Program(L"6.7.3.0")));
  ASSERT_EQ(qw::FindInstalledProgram(kProductKey), Program(L"6.7.3.0"));
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kMakerKey, kPathValue, Program(L"6.8.0.0")));
  EXPECT_EQ(qw::FindInstalledProgram(kProductKey), Program(L"6.7.3.0"));
  EXPECT_EQ(qw::ClassifyInstallation(kProductKey, kRelease).state, InstalledState::OlderVersion);
  EXPECT_EQ(qw::ReadInstalledProgram(kProductKey), Program(L"6.8.0.0"));
}

TEST_F(DetectionRecords, TheUninstallersLogWinsOverTheInstalledProgramsLog) {
  const std::wstring uninstallerFolder = folder_ / L"uninstaller";
  const std::wstring programFolder = folder_ / L"program";
  WriteTestFile(uninstallerFolder + L"\\Uninstall.ulog", "log");
  WriteTestFile(programFolder + L"\\Uninstall.ulog", "log");
  WriteTestFile(programFolder + L"\\Meridel.exe", "program");
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", uninstallerFolder + L"\\Uninstall.exe"));
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kMakerKey, kPathValue, programFolder + L"\\Meridel.exe"));
  EXPECT_EQ(qw::FindUninstallLog(kProductKey), uninstallerFolder + L"\\Uninstall.ulog");
}

TEST_F(DetectionRecords, WithoutALogBesideTheUninstallerTheInstalledProgramsLogIsUsed) {
  const std::wstring programFolder = folder_ / L"program";
  WriteTestFile(programFolder + L"\\Uninstall.ulog", "log");
  WriteTestFile(programFolder + L"\\Meridel.exe", "program");
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", folder_ / L"empty\\Uninstall.exe"));
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kMakerKey, kPathValue, programFolder + L"\\Meridel.exe"));
  EXPECT_EQ(qw::FindUninstallLog(kProductKey), programFolder + L"\\Uninstall.ulog");
}

TEST_F(DetectionRecords, AQuotedUninstallStringIsAPathThatDoesNotExist) {
  const std::wstring uninstallerFolder = folder_ / L"uninstaller";
  WriteTestFile(uninstallerFolder + L"\\Uninstall.ulog", "log");
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString",
            L"\"" + uninstallerFolder + L"\\Uninstall.exe\" /quiet"));
  DeleteValue(HKEY_LOCAL_MACHINE, kMakerKey, kPathValue);
  EXPECT_EQ(qw::FindUninstallLog(kProductKey), std::nullopt);
}

TEST_F(DetectionRecords, AnUninstallStringOfTheWrongTypeCountsAsMissing) {
  const std::wstring programFolder = folder_ / L"program";
  WriteTestFile(programFolder + L"\\Uninstall.ulog", "log");
  WriteTestFile(programFolder + L"\\Meridel.exe", "program");
  const DWORD number = 7;
  ASSERT_TRUE(SetValue(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", REG_DWORD, &number, sizeof number));
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kMakerKey, kPathValue, programFolder + L"\\Meridel.exe"));
  EXPECT_EQ(qw::FindUninstallLog(kProductKey), programFolder + L"\\Uninstall.ulog");
}

TEST_F(DetectionRecords, TheLogBesideTheInstallerIsTheSecondCandidate) {
  wchar_t self[MAX_PATH] = {};
  ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  std::wstring besideMe(self);
  besideMe = besideMe.substr(0, besideMe.find_last_of(L'\\')) + L"\\Uninstall.ulog";
  WriteTestFile(besideMe, "log");
  const std::wstring programFolder = folder_ / L"program";
  WriteTestFile(programFolder + L"\\Uninstall.ulog", "log");
  WriteTestFile(programFolder + L"\\Meridel.exe", "program");
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", folder_ / L"empty\\Uninstall.exe"));
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kMakerKey, kPathValue, programFolder + L"\\Meridel.exe"));
  const std::optional<std::wstring> found = qw::FindUninstallLog(kProductKey);
  ::DeleteFileW(besideMe.c_str());
  EXPECT_EQ(found, besideMe);
}

// The string rules, on a scratch key of the current user.
class RegistryStringRules : public ::testing::Test {
 protected:
  void TearDown() override { ::RegDeleteKeyW(HKEY_CURRENT_USER, kKey.c_str()); }
  const std::wstring kKey = L"Software\\QwTestRegistryString";
};

TEST_F(RegistryStringRules, OnlyWellFormedStringsCount) {
  const wchar_t expandable[] = L"%SystemRoot%\\x";
  ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, kKey, L"expand", REG_EXPAND_SZ, expandable, sizeof expandable));
  EXPECT_EQ(qw::ReadRegistryString(HKEY_CURRENT_USER, kKey, L"expand"), L"%SystemRoot%\\x");

  ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, kKey, L"empty", REG_SZ, L"", 0));
  EXPECT_EQ(qw::ReadRegistryString(HKEY_CURRENT_USER, kKey, L"empty"), L"");

  // A string without its terminating zero can be stored only where the
  // registry keeps the bytes as given: Wine adds the zero itself.
  const wchar_t unterminated[] = {L'a', L'b'};
  ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, kKey, L"unterminated", REG_SZ, unterminated, sizeof unterminated));
  DWORD stored = 0;
  HKEY probe = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kKey.c_str(), 0, KEY_QUERY_VALUE, &probe), ERROR_SUCCESS);
  ::RegQueryValueExW(probe, L"unterminated", nullptr, nullptr, nullptr, &stored);
  ::RegCloseKey(probe);
  if (stored == sizeof unterminated) {
    EXPECT_EQ(qw::ReadRegistryString(HKEY_CURRENT_USER, kKey, L"unterminated"), std::nullopt);
  } else {
    std::printf("not checked: the registry stored %lu bytes for a 4-byte unterminated string\n",
                static_cast<unsigned long>(stored));
  }

  const char odd[] = {'a', 0, 0};
  ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, kKey, L"odd", REG_SZ, odd, sizeof odd));
  EXPECT_EQ(qw::ReadRegistryString(HKEY_CURRENT_USER, kKey, L"odd"), std::nullopt);

  const DWORD number = 1;
  ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, kKey, L"number", REG_DWORD, &number, sizeof number));
  EXPECT_EQ(qw::ReadRegistryString(HKEY_CURRENT_USER, kKey, L"number"), std::nullopt);

  EXPECT_EQ(qw::ReadRegistryString(HKEY_CURRENT_USER, kKey, L"missing"), std::nullopt);
  EXPECT_EQ(qw::ReadRegistryString(HKEY_CURRENT_USER, kKey + L"\\missing", L"x"), std::nullopt);
}

TEST_F(RegistryStringRules, ALongValueIsReadWhole) {
  const std::wstring text(5000, L'x');
  ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kKey, L"long", text));
  EXPECT_EQ(qw::ReadRegistryString(HKEY_CURRENT_USER, kKey, L"long"), text);
}

}  // namespace
