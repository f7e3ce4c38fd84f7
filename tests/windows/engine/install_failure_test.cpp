// Failed installations through the real wizard leave the machine exactly
// as they found it: the prefix's files (path, size, content hash) and the
// registry below HKLM\Software and HKCU\Software are compared before and
// after, leaving out only what Wine changes by itself (WineExclusions,
// each with its reason). Also: a run that fails can be repeated in the same
// wizard, a failing uninstall log does not fail the run, and the progress
// of a long extraction can be watched.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <commctrl.h>
#include <sddl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cwctype>

#include "build_tree.h"
#include "install_robot.h"
#include "platform/security.h"
#include "scratch_folder.h"
#include "wizard_expectations.h"
#include "test_text.h"

namespace qw::test {
namespace {


std::string Listing(const std::vector<std::wstring>& lines) {
  std::string out;
  for (const std::wstring& line : lines) out += Narrow(line) + "\n";
  return out;
}

class FailedInstallation : public InstallationTest {
 protected:
  // A failed run of `installer` into `folder` (the quick method's when
  // empty) with status "Installation failed (Error Code `code`)."; the
  // machine is then compared with the snapshot of SetUp.
  void ExpectFailureLeavesNothing(const std::wstring& installer, const std::wstring& code,
                                  const std::wstring& folder = std::wstring()) {
    InstallerRobot robot;
    if (folder.empty()) {
      StartQuick(robot, installer);
    } else {
      StartAdvanced(robot, installer, folder);
    }
    const RunResult run = PressInstall(robot);
    ASSERT_TRUE(run.finished) << Narrow(run.status);
    EXPECT_EQ(run.status, L"Installation failed (Error Code " + code + L").") << Narrow(run.log);
    lastLog_ = run.log;
    const std::vector<std::wstring> changes = ChangesSinceSetUp();
    EXPECT_TRUE(changes.empty()) << Listing(changes);
  }

  std::wstring lastLog_;
};

TEST_F(FailedInstallation, CrcMismatchInTheMiddleRemovesTheFilesWrittenBefore) {
  const std::string damaged = WithCorruptedContent(testArchive_, "MIDDLE-FILE-MARKER");
  ASSERT_FALSE(damaged.empty());
  ExpectFailureLeavesNothing(InstallerWith(damaged, L"install_crc"), L"3");
  const std::vector<std::wstring> lines = Lines(lastLog_);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), L"Copying File  \"" + DefaultInstallFolder() + L"\\Lang\\Strings.en.txt\"...Failed");
  std::size_t written = 0;
  for (const std::wstring& line : lines) written += line.find(L"Copying File") == 0 && line.size() > 2 &&
                                                    line.substr(line.size() - 2) == L"OK";
  EXPECT_GE(written, 2u) << "files before the damaged one had been written";
}

TEST_F(FailedInstallation, ArchiveTestFailureWritesNothing) {
  const std::string truncated = testArchive_.substr(0, testArchive_.size() / 2);
  ExpectFailureLeavesNothing(InstallerWith(truncated, L"install_truncated"), L"4");
  EXPECT_NE(lastLog_.find(L"Preparing Installation...Failed\r\n"), std::wstring::npos) << Narrow(lastLog_);
  EXPECT_EQ(lastLog_.find(L"Copying File"), std::wstring::npos);
}

// The setup files come last in a payload, after the program files: a
// damaged setup file fails the run while it is being written into the
// run's temporary folder. The folder goes with it (and with the setup file
// written before), and so does everything else.
TEST_F(FailedInstallation, ASetupFileFailingWhileWrittenLeavesNoTemporaryFolder) {
  const std::vector<PackedFile> files{
      {1, L"<InstallPath>", L"Meridel.exe", "the program"},
      {2, L"<InstallPath>", L"Uninstall.exe", "the uninstaller"},
      {0, L"<InstallPath>", L"License.txt", "the licence"},
      {5, L"<Temporary>", L"dsetup32.dll", "a setup file written whole"},
      {5, L"<Temporary>", L"DSETUP.dll", "SETUP-FILE-MARKER" + IncompressibleBytes(200000, 5)},
  };
  const std::string damaged = WithCorruptedContent(PackArchive(files), "SETUP-FILE-MARKER");
  ASSERT_FALSE(damaged.empty());
  ASSERT_TRUE(LeftoverTemporaryFolders().empty()) << "an earlier run left a temporary folder";
  ExpectFailureLeavesNothing(InstallerWith(damaged, L"install_setup_crc"), L"3");
  const std::vector<std::wstring> lines = Lines(lastLog_);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().substr(0, 13), L"Copying File ") << Narrow(lastLog_);
  EXPECT_NE(lines.back().find(L"DSETUP.dll"), std::wstring::npos) << "the setup file failed: " << Narrow(lastLog_);
  EXPECT_EQ(lines.back().substr(lines.back().size() - 6), L"Failed");
  const std::vector<std::wstring> left = LeftoverTemporaryFolders();
  EXPECT_TRUE(left.empty()) << Listing(left);
}

TEST_F(FailedInstallation, FullDiskReportsError112) {
  // The small disk is a tmpfs that the CTest fixture mounts as Q: (as root).
  if (!Exists(L"Q:\\qw-small-disk")) {
    GTEST_SKIP() << "probe: no small disk at Q: (Q:\\qw-small-disk missing; mounting needs root)";
  }
  std::vector<PackedFile> files;
  for (std::uint32_t i = 0; i < 4; ++i) {
    files.push_back({0, L"<InstallPath>", L"Part" + std::to_wstring(i) + L".bin", IncompressibleBytes(120000, i + 1)});
  }
  ExpectFailureLeavesNothing(InstallerWith(PackArchive(files), L"install_large"), L"1:00000070",
                             L"Q:\\Meridel 6");
}

// Starting the installer and leaving it changes nothing but what
// WineExclusions names: the exclusions hide no change of the installer's.
TEST_F(FailedInstallation, AnInstallerLeftAtOnceChangesOnlyWhatWineChanges) {
  {
    InstallerRobot robot;
    ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER));
    ASSERT_TRUE(robot.WaitForPage(Page::Start));
    ASSERT_TRUE(robot.Click(kExit));
    const HWND question = robot.WaitForDialog();
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(InstallerRobot::ClickIn(question, IDYES));
    ASSERT_TRUE(robot.WaitForExit());
  }
  const std::vector<std::wstring> all = Differences(before_, TakeMachineSnapshot(SnapshotRoots()), {});
  std::printf("a run that installs nothing changed %u places:\n%s", static_cast<unsigned>(all.size()),
              Listing(all).c_str());
  EXPECT_TRUE(ChangesSinceSetUp().empty()) << Listing(ChangesSinceSetUp());
}

// A file in the install folder held open without sharing by this process,
// made (with its folder) before the snapshot and removed at the end.
class LockedDestination : public FailedInstallation {
 protected:
  void SetUp() override {
    WriteTestFile(kFolderPath + std::wstring(L"\\License.txt"), "the file someone holds open");
    lock_.reset(::CreateFileW((kFolderPath + std::wstring(L"\\License.txt")).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock_.valid());
    FailedInstallation::SetUp();
  }
  void TearDown() override {
    lock_.reset();
    FailedInstallation::TearDown();
    RemoveTree(L"C:\\QwLocked");
  }

  static constexpr const wchar_t* kFolderPath = L"C:\\QwLocked\\Meridel 6";
  UniqueFile lock_;
};

TEST_F(LockedDestination, SharingViolationThenInstallAgainInTheSameWizard) {
  InstallerRobot robot;
  StartAdvanced(robot, InstallerWith(testArchive_, L"install_small"), kFolderPath);
  const RunResult failed = PressInstall(robot);
  ASSERT_TRUE(failed.finished);
  EXPECT_EQ(failed.status, L"Installation failed (Error Code 1:00000020).") << Narrow(failed.log);
  const std::vector<std::wstring> changes = ChangesSinceSetUp();
  EXPECT_TRUE(changes.empty()) << Listing(changes);
  EXPECT_TRUE(LeftoverTemporaryFolders().empty());

  // The file is let go: Install again runs the whole sequence anew.
  lock_.reset();
  const RunResult second = PressInstall(robot);
  ASSERT_TRUE(second.succeeded) << Narrow(second.status) << "\n" << Narrow(second.log);
  const std::vector<std::wstring> lines = Lines(second.log);
  std::vector<std::wstring> temporaryLines;
  std::size_t rules = 0;
  for (const std::wstring& line : lines) {
    rules += !line.empty() && line.find_first_not_of(L'-') == std::wstring::npos;
    if (line.find(L"quillon_{") != std::wstring::npos) temporaryLines.push_back(line);
  }
  EXPECT_EQ(rules, 2u) << "a rule line for each run";
  ASSERT_EQ(temporaryLines.size(), 1u) << "the failed run stopped before its setup files";
  EXPECT_EQ(second.log.substr(0, failed.log.size()), failed.log) << "the first run's lines stay";
  EXPECT_EQ(ReadTestFile(kFolderPath + std::wstring(L"\\License.txt")).substr(0, 15), "Meridel test li");
}

// A file of the product's own that an earlier copy left: overwritten by
// the run, then put back byte for byte when a later file fails.
class PreexistingFile : public FailedInstallation {
 protected:
  void SetUp() override {
    WriteTestFile(kFolderPath + std::wstring(L"\\License.txt"), "an older licence, kept by the rollback\r\n");
    FailedInstallation::SetUp();
  }
  void TearDown() override {
    FailedInstallation::TearDown();
    RemoveTree(L"C:\\QwRestore");
  }
  static constexpr const wchar_t* kFolderPath = L"C:\\QwRestore\\Meridel 6";
};

TEST_F(PreexistingFile, OverwrittenThenRestoredByTheRollback) {
  const std::string damaged = WithCorruptedContent(testArchive_, "MIDDLE-FILE-MARKER");
  ExpectFailureLeavesNothing(InstallerWith(damaged, L"install_crc"), L"3", kFolderPath);
  EXPECT_NE(lastLog_.find(L"Copying File  \"" + std::wstring(kFolderPath) + L"\\License.txt\"...OK"),
            std::wstring::npos)
      << "the file had been overwritten: " << Narrow(lastLog_);
  EXPECT_EQ(ReadTestFile(kFolderPath + std::wstring(L"\\License.txt")), "an older licence, kept by the rollback\r\n");
}

// What HKEY_LOCAL_MACHINE\`path` holds: empty when the key is missing,
// "empty" when it holds neither values nor subkeys, else their numbers.
std::wstring KeyContents(const wchar_t* path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::wstring();
  DWORD subkeys = 0, values = 0;
  ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
  ::RegCloseKey(key);
  if (subkeys == 0 && values == 0) return L"empty";
  return std::to_wstring(values) + L" values, " + std::to_wstring(subkeys) + L" subkeys";
}

using NtDeleteKeyFunction = LONG(NTAPI*)(HANDLE);

// Deletes the link key `path` of HKEY_LOCAL_MACHINE itself, not its target.
void DeleteLinkKey(const wchar_t* path) {
  HKEY link = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, REG_OPTION_OPEN_LINK, DELETE, &link) != ERROR_SUCCESS) return;
  const auto deleteKey = reinterpret_cast<NtDeleteKeyFunction>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
  if (deleteKey) deleteKey(link);
  ::RegCloseKey(link);
}

// Makes HKEY_LOCAL_MACHINE\`path` a registry link to itself: nothing can
// be created or opened through it. Returns whether creating a key there
// then fails, with what was seen in `finding`.
bool MakeSelfLink(const wchar_t* path, std::wstring& finding) {
  HKEY link = nullptr;
  LONG status = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_CREATE_LINK,
                                  KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr);
  if (status != ERROR_SUCCESS) {
    finding = L"creating a link key gave " + std::to_wstring(status);
    return false;
  }
  const std::wstring target = std::wstring(L"\\Registry\\Machine\\") + path;
  status = ::RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                            static_cast<DWORD>(target.size() * sizeof(wchar_t)));
  ::RegCloseKey(link);
  if (status != ERROR_SUCCESS) {
    finding = L"setting the link's target gave " + std::to_wstring(status);
    return false;
  }
  HKEY through = nullptr;
  status = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &through, nullptr);
  if (through) ::RegCloseKey(through);
  finding = L"creating the key through a link to itself gave " + std::to_wstring(status);
  return status != ERROR_SUCCESS;
}

// The maker's key, where the product path value goes, is a registry link
// to itself (made before the snapshot, when the key did not exist): the
// value cannot be written.
class ProductPathLocked : public FailedInstallation {
 protected:
  void SetUp() override {
    // The test makes the key itself. A key left empty holds nothing to
    // lose and goes; one that holds something is state this test must not
    // destroy, and the test fails rather than check nothing.
    const std::wstring found = KeyContents(kKey);
    if (found == L"empty") {
      std::printf("removing an empty HKLM\\%s left on the machine\n", Narrow(kKey).c_str());
      ASSERT_EQ(::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey), ERROR_SUCCESS);
    } else if (!found.empty()) {
      FAIL() << "HKLM\\" << Narrow(kKey) << " is on the machine already (" << Narrow(found)
             << "); this test needs to make it";
    }
    std::wstring finding;
    const bool locked = MakeSelfLink(kKey, finding);
    if (!locked) {
      DeleteLinkKey(kKey);
      GTEST_SKIP() << "probe: this Wine has no registry link that refuses keys (" << Narrow(finding) << ")";
    }
    linkMade_ = true;
    FailedInstallation::SetUp();
  }
  void TearDown() override {
    if (!linkMade_) return;
    FailedInstallation::TearDown();
    DeleteLinkKey(kKey);
  }

  static constexpr const wchar_t* kKey = L"Software\\Quillon Works";
  bool linkMade_ = false;
};

TEST_F(ProductPathLocked, RollsBackWithCodeMinusOne) {
  ExpectFailureLeavesNothing(InstallerWith(testArchive_, L"install_small"), L"-1");
  EXPECT_NE(lastLog_.find(L"Registry Data Writing...Failed\r\n"), std::wstring::npos) << Narrow(lastLog_);
}

// Changes under the classes keys (where the product's registration run
// enters its document type) among `changes`.
std::vector<std::wstring> ClassesChanges(const std::vector<std::wstring>& changes) {
  std::vector<std::wstring> found;
  for (const std::wstring& change : changes) {
    std::wstring upper = change;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
    if (upper.find(L"\\SOFTWARE\\CLASSES\\") != std::wstring::npos) found.push_back(change);
  }
  return found;
}

// The product's own program as the main program: its registration run
// ("/Register /Background") enters the project document type under
// HKEY_CLASSES_ROOT. The run fails on the product path value, before the
// registration; the rollback does not undo a registration, so the
// registration must never have started: the classes keys are as before.
TEST_F(ProductPathLocked, TheRegistrationRunNeverStarts) {
  const std::string program = ReadTestFile(QW_PRODUCT_PROGRAM);
  ASSERT_FALSE(program.empty());
  const std::vector<PackedFile> files{
      {1, L"<InstallPath>", L"Meridel.exe", program},
      {2, L"<InstallPath>", L"Uninstall.exe", program},
      {0, L"<InstallPath>", L"License.txt", "the licence"},
  };
  ExpectFailureLeavesNothing(InstallerWith(PackArchive(files), L"install_registering"), L"-1");
  const std::vector<std::wstring> classes =
      ClassesChanges(Differences(before_, TakeMachineSnapshot(SnapshotRoots()), {}));
  EXPECT_TRUE(classes.empty()) << "the document type was registered for a program the rollback deleted:\n"
                               << Listing(classes);
}

// Whether RegRestoreKeyW puts a saved key back: a value saved, changed and
// restored must read as saved.
bool RegRestoreKeyWorks(std::wstring& finding) {
  const wchar_t* probe = L"Software\\QwRestoreProbe";
  EnableTokenPrivilege(L"SeBackupPrivilege", true);
  EnableTokenPrivilege(L"SeRestorePrivilege", true);
  ScratchFolder scratch(L"restore_probe");
  const std::wstring hive = scratch / L"probe.hive";
  HKEY key = nullptr;
  ::RegCreateKeyExW(HKEY_CURRENT_USER, probe, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  DWORD value = 1;
  ::RegSetValueExW(key, L"Value", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  const LONG saved = ::RegSaveKeyW(key, hive.c_str(), nullptr);
  value = 2;
  ::RegSetValueExW(key, L"Value", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  const LONG restored = ::RegRestoreKeyW(key, hive.c_str(), REG_FORCE_RESTORE);
  DWORD read = 0, size = sizeof read;
  ::RegQueryValueExW(key, L"Value", nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size);
  ::RegCloseKey(key);
  ::SHDeleteKeyW(HKEY_CURRENT_USER, probe);
  finding = L"RegSaveKeyW gave " + std::to_wstring(saved) + L", RegRestoreKeyW gave " + std::to_wstring(restored) +
            L", the value saved as 1 reads " + std::to_wstring(read);
  return saved == ERROR_SUCCESS && restored == ERROR_SUCCESS && read == 1;
}

// An uninstall key of an earlier installation, with a value this installer
// does not write, and the maker's key a link to itself so that the run
// fails after writing the uninstall key and rolls it back.
class ExistingUninstallKey : public ProductPathLocked {
 protected:
  void SetUp() override {
    const std::wstring found = KeyContents(kEntry);
    ASSERT_TRUE(found.empty()) << "the product's uninstall key is on the machine already (" << Narrow(found)
                               << "); this test needs to make it";
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEntry, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring name = L"Meridel 6.05", extra = L"kept by the rollback";
    ::RegSetValueExW(key, L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                     static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
    ::RegSetValueExW(key, L"EarlierValue", 0, REG_SZ, reinterpret_cast<const BYTE*>(extra.c_str()),
                     static_cast<DWORD>((extra.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
    made_ = true;
    ProductPathLocked::SetUp();
  }
  void TearDown() override {
    if (IsSkipped() && !made_) return;
    ProductPathLocked::TearDown();
    if (made_) ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, kEntry);
  }

  static constexpr const wchar_t* kEntry = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Meridel 6";
  bool made_ = false;
};

TEST_F(ExistingUninstallKey, IsPutBackByTheRollback) {
  std::wstring finding;
  const bool restores = RegRestoreKeyWorks(finding);
  InstallerRobot robot;
  StartQuick(robot, InstallerWith(testArchive_, L"install_small"));
  const RunResult run = PressInstall(robot);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.status, L"Installation failed (Error Code -1).") << Narrow(run.log);
  std::vector<SnapshotExclusion> exclusions = ComparisonExclusions();
  if (!restores) {
    std::printf("probe: %s; the uninstall key is left out of the comparison\n", Narrow(finding).c_str());
    exclusions.push_back({L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Meridel 6\\",
                          "RegRestoreKeyW does not restore a saved key under this Wine"});
  }
  const std::vector<std::wstring> changes =
      Differences(before_, TakeMachineSnapshot(SnapshotRoots()), exclusions);
  EXPECT_TRUE(changes.empty()) << Listing(changes);
  if (!restores) GTEST_SKIP() << "probe: " << Narrow(finding);
}

// A folder named like the uninstall log stands in its way.
class UninstallLogBlocked : public InstallationTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(::SHCreateDirectoryExW(nullptr, kBlocker, nullptr) == ERROR_SUCCESS);
    InstallationTest::SetUp();
  }
  void TearDown() override {
    InstallationTest::TearDown();
    RemoveTree(L"C:\\QwNoLog");
  }
  static constexpr const wchar_t* kBlocker = L"C:\\QwNoLog\\Meridel 6\\Uninstall.ulog";
};

TEST_F(UninstallLogBlocked, TheRunStillSucceeds) {
  InstallerRobot robot;
  StartAdvanced(robot, InstallerWith(testArchive_, L"install_small"), L"C:\\QwNoLog\\Meridel 6");
  const RunResult run = PressInstall(robot);
  ASSERT_TRUE(run.succeeded) << Narrow(run.status) << "\n" << Narrow(run.log);
  EXPECT_EQ(Lines(run.log).back(), L"Installation Data Writing...Failed");
  EXPECT_EQ(run.status, L"Click on 'Next' to continue.");
}

class LongExtraction : public InstallationTest {};

TEST_F(LongExtraction, StatusAndProgressBarAdvance) {
  std::vector<PackedFile> files;
  for (std::uint32_t i = 0; i < 12; ++i) {
    files.push_back({0, L"<InstallPath>\\Textures", L"Texture" + std::to_wstring(i) + L".bin",
                     IncompressibleBytes(2u << 20, i + 7)});
  }
  InstallerRobot robot;
  StartAdvanced(robot, InstallerWith(PackArchive(files), L"install_long"), L"C:\\QwLong\\Meridel 6");
  ASSERT_TRUE(robot.Click(kNext));
  std::vector<std::wstring> statuses;
  std::vector<LRESULT> positions;
  WaitUntil(
      [&] {
        const std::wstring status = robot.Text(kStatus);
        if (statuses.empty() || statuses.back() != status) statuses.push_back(status);
        const LRESULT position = Send(robot.Control(kProgress), PBM_GETPOS);
        if (positions.empty() || positions.back() != position) positions.push_back(position);
        return robot.IsEnabled(kExit) && status.find(L"Next") != std::wstring::npos;
      },
      180000);
  std::size_t copying = 0;
  for (const std::wstring& s : statuses) copying += s.find(L"Copying File") == 0;
  EXPECT_GE(copying, 3u) << "the status line followed the files";
  std::size_t between = 0;
  for (LRESULT p : positions) between += p > 0 && p < 100;
  EXPECT_GE(between, 3u) << "the progress bar moved during the extraction";
  EXPECT_EQ(positions.back(), 100);
  RemoveTree(L"C:\\QwLong");
}

}  // namespace
}  // namespace qw::test
