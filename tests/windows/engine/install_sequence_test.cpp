// The install sequence run against the tests' small payload, with a
// recording stand-in for the Install page and registry places of the
// test's own: the log and status it reports, the files, the entries and
// what a failure leaves behind.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <algorithm>
#include <memory>

#include "build_tree.h"
#include "engine/install_sequence.h"
#include "engine/product_path.h"
#include "engine/uninstall_log.h"
#include "installer_strings.h"
#include "payload/compress_error.h"
#include "payload/payload_kind.h"
#include "platform/handles.h"
#include "platform/system_error.h"
#include "recording_page.h"
#include "scratch_folder.h"
#include "sequence_request.h"
#include "stored_registry_value.h"
#include "test_payload.h"
#include "child_process.h"

namespace qw {
namespace {

using test::Exists;
using test::ListedEntry;
using test::ReadTestFile;
using test::RecordingPage;
using test::ScratchFolder;
using test::WriteTestFile;

const wchar_t kTestRoot[] = L"Software\\QwInstallSequenceTest";
const wchar_t kTestUninstall[] = L"Software\\QwInstallSequenceTest\\Uninstall";

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

class InstallSequence : public InstallerStrings {
 protected:
  void SetUp() override {
    InstallerStrings::SetUp();
    SetLanguage(kEnglish);
    archive_ = test::ReadArchiveFile(QW_TEST_PAYLOAD);
    listed_ = test::ReadPackerList(QW_TEST_PAYLOAD_LIST);
    ASSERT_FALSE(archive_.empty());
    ASSERT_GE(listed_.size(), 3u);
    ::SHDeleteKeyW(HKEY_CURRENT_USER, kTestRoot);
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kTestUninstall, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
  }
  void TearDown() override {
    ::SHDeleteKeyW(HKEY_CURRENT_USER, kTestRoot);
    InstallerStrings::TearDown();
  }

  UninstallKeyLocation KeyLocation() const { return {HKEY_CURRENT_USER, kTestUninstall, L"Meridel 6"}; }
  std::wstring EntryKey() const { return std::wstring(kTestUninstall) + L"\\Meridel 6"; }

  // One run with `archive` into `installFolder`, Start-menu shortcuts in
  // `startMenuFolder` when it is not empty.
  InstallOutcome Run(const std::string& archive, const std::wstring& installFolder,
                     const std::wstring& startMenuFolder, RecordingPage& page,
                     InstalledState state = InstalledState::NotInstalled) {
    request_ = std::make_unique<test::SequenceRequest>(KeyLocation());
    InstallRequest& r = request_->request;
    r.installedState = state;
    r.installFolder = installFolder;
    r.startMenuFolder = startMenuFolder;
    r.startMenuShortcut = !startMenuFolder.empty();
    r.desktopShortcut = false;
    r.product = test::TestProductNames();
    r.archive = {archive.data(), archive.size()};
    r.uninstallKey = KeyLocation();
    r.productPath = productPath_;
    return RunInstallSequence(r, page);
  }

  std::string archive_;
  std::vector<ListedEntry> listed_;
  ProductPathLocation productPath_{HKEY_CURRENT_USER, kTestRoot};
  std::unique_ptr<test::SequenceRequest> request_;
};

TEST_F(InstallSequence, FreshInstallationWritesEveryFileAndLogsEachStep) {
  ScratchFolder scratch(L"sequence");
  const std::wstring folder = scratch / L"Meridel";
  const std::wstring menu = scratch / L"Menu\\Meridel 6";
  RecordingPage page;
  const InstallOutcome outcome = Run(archive_, folder, menu, page);
  ASSERT_TRUE(outcome.succeeded()) << page.Status();
  EXPECT_TRUE(outcome.stepErrors.empty()) << outcome.stepErrors.front().message();
  const std::wstring temp = request_->tempFolder;

  std::vector<std::wstring> expected{L"<rule>", L"Preparing Installation...OK"};
  for (const ListedEntry& e : listed_) {
    const std::wstring path = test::ResolveForTest(e.destination, folder, temp);
    expected.push_back(L"Copying File  " + path + L"...OK");
    if (IsPayloadKind(e.kind, PayloadKind::TemporarySetup)) {
      EXPECT_FALSE(Exists(path)) << "setup files go with the temporary folder";
      continue;
    }
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    ASSERT_TRUE(test::FileCrc32(path, crc, size)) << path;
    EXPECT_EQ(size, e.size) << path;
    EXPECT_EQ(crc, e.crc) << path;
    const bool readOnly = ::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY;
    EXPECT_EQ(readOnly, IsPayloadKind(e.kind, PayloadKind::MainProgram) ||
                            IsPayloadKind(e.kind, PayloadKind::Uninstaller))
        << path;
  }
  expected.insert(expected.end(), {L"Shortcuts Creation...OK", L"Registry Data Writing...OK",
                                   L"Installation Data Writing...OK"});
  EXPECT_EQ(page.LogLines(), expected);
  EXPECT_EQ(page.Status(), L"Click on 'Next' to continue.");
  EXPECT_TRUE(page.progressShown);
  ASSERT_FALSE(page.progress.empty());
  EXPECT_EQ(page.progress.front(), 0);
  EXPECT_EQ(page.progress.back(), 100);
  EXPECT_TRUE(std::is_sorted(page.progress.begin(), page.progress.end()));
  EXPECT_EQ(std::adjacent_find(page.progress.begin(), page.progress.end()), page.progress.end())
      << "the bar is set only when its percentage changes";
  EXPECT_GT(page.pumps, static_cast<int>(listed_.size()));
  EXPECT_EQ(page.stepEndPumps, 2) << "before the archive test and after the last file, whatever the frame rate";
  EXPECT_FALSE(temp.empty());
  EXPECT_FALSE(Exists(temp)) << "the temporary folder is removed";

  EXPECT_EQ(outcome.programPath, folder + L"\\Meridel.exe");
  EXPECT_EQ(outcome.uninstallerPath, folder + L"\\Uninstall.exe");
  EXPECT_TRUE(Exists(menu + L"\\Meridel 6.07c.lnk"));
  EXPECT_TRUE(Exists(menu + L"\\Uninstall Meridel.lnk"));
  EXPECT_TRUE(Exists(folder + L"\\Uninstall.ulog"));
  EXPECT_EQ(test::StoredString(HKEY_CURRENT_USER, EntryKey(), L"DisplayName"), L"Meridel 6.07c");
  EXPECT_EQ(test::StoredString(HKEY_CURRENT_USER, EntryKey(), L"UninstallString"), outcome.uninstallerPath);
  EXPECT_EQ(test::StoredString(HKEY_CURRENT_USER, EntryKey(), L"DisplayIcon"), outcome.programPath + L",0");
  EXPECT_EQ(test::StoredString(HKEY_CURRENT_USER, EntryKey(), L"DisplayVersion"), L"6.7.3.1");
  DWORD language = 99, size = sizeof language;
  EXPECT_EQ(::RegGetValueW(HKEY_CURRENT_USER, EntryKey().c_str(), L"QwLanguage", RRF_RT_REG_DWORD, nullptr,
                           &language, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(language, static_cast<DWORD>(kEnglish));
  EXPECT_EQ(test::StoredString(HKEY_CURRENT_USER, kTestRoot, L"Meridel 6 Path"), outcome.programPath);
}

// The entry's value names, sorted: Wine lists a key's values in name order,
// not in the order they were written.
std::vector<std::wstring> ValueNames(HKEY root, const std::wstring& path) {
  std::vector<std::wstring> names;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256;
    if (::RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.push_back(name);
  }
  ::RegCloseKey(key);
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(InstallSequence, UninstallEntryHoldsTheTwelveValues) {
  ScratchFolder scratch(L"sequence");
  RecordingPage page;
  ASSERT_TRUE(Run(archive_, scratch / L"Meridel", std::wstring(), page).succeeded());
  const std::vector<std::wstring> expected{L"DisplayName", L"UninstallString", L"DisplayIcon", L"DisplayVersion",
                                           L"Publisher", L"URLInfoAbout", L"HelpLink", L"URLUpdateInfo",
                                           L"HelpTelephone", L"NoModify", L"NoRepair", L"QwLanguage"};
  std::vector<std::wstring> sorted = expected;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, EntryKey()), sorted);
  EXPECT_EQ(page.log.find(L"Shortcuts Creation"), std::wstring::npos) << "no shortcut, no shortcut line";
}

TEST_F(InstallSequence, BlanksInTheFolderAreQuotedInTheLog) {
  ScratchFolder scratch(L"sequence");
  const std::wstring folder = scratch / L"With Blanks\\Meridel 6";
  RecordingPage page;
  ASSERT_TRUE(Run(archive_, folder, std::wstring(), page).succeeded());
  EXPECT_NE(page.log.find(L"Copying File  \"" + folder + L"\\License.txt\"...OK\r\n"), std::wstring::npos)
      << page.log;
}

TEST_F(InstallSequence, CrcMismatchInTheMiddleRemovesWhatWasWritten) {
  const std::string damaged = test::WithCorruptedContent(archive_, "MIDDLE-FILE-MARKER");
  ASSERT_FALSE(damaged.empty());
  ScratchFolder scratch(L"sequence");
  const std::wstring folder = scratch / L"Meridel";
  const std::wstring menu = scratch / L"Menu";
  RecordingPage page;
  EXPECT_EQ(Run(damaged, folder, menu, page).error, compress_errc::invalid_checksum);
  EXPECT_EQ(page.Status(), L"Installation failed (Error Code 3).");
  const std::vector<std::wstring> lines = page.LogLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.back(), L"Copying File  " + folder + L"\\Lang\\Strings.en.txt...Failed");
  EXPECT_GT(lines.size(), 4u) << "files before the damaged one were written first";
  EXPECT_EQ(page.stepEndPumps, 2) << "the failure shows at once";
  EXPECT_FALSE(Exists(folder)) << "the rollback removes the files and the folders it made";
  EXPECT_FALSE(Exists(menu));
  EXPECT_FALSE(Exists(request_->tempFolder));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, EntryKey()));
  EXPECT_EQ(test::StoredString(HKEY_CURRENT_USER, kTestRoot, L"Meridel 6 Path"), L"<none>");
}

TEST_F(InstallSequence, ArchiveThatFailsItsTestWritesNothing) {
  const std::string truncated = archive_.substr(0, archive_.size() / 2);
  ScratchFolder scratch(L"sequence");
  const std::wstring folder = scratch / L"Meridel";
  RecordingPage page;
  EXPECT_EQ(Run(truncated, folder, std::wstring(), page).error, compress_errc::archive_test_failed);
  EXPECT_EQ(page.Status(), L"Installation failed (Error Code 4).");
  EXPECT_EQ(page.LogLines(), (std::vector<std::wstring>{L"<rule>", L"Preparing Installation...Failed"}));
  EXPECT_FALSE(Exists(folder));
  EXPECT_TRUE(request_->journal.Entries().empty());
}

TEST_F(InstallSequence, ExistingUserDataIsKeptUnloggedAndRecordedDone) {
  ScratchFolder scratch(L"sequence");
  const std::wstring folder = scratch / L"Meridel";
  const std::wstring library = folder + L"\\Library\\Parts.lib";
  WriteTestFile(library, "the user's own parts");
  RecordingPage page;
  ASSERT_TRUE(Run(archive_, folder, std::wstring(), page).succeeded());
  EXPECT_EQ(ReadTestFile(library), "the user's own parts");
  EXPECT_EQ(page.log.find(L"Parts.lib"), std::wstring::npos);
  bool recorded = false;
  for (const JournalEntry& e : request_->journal.Entries()) {
    recorded |= e.kind == JournalEntryKind::File && e.path == library && e.done && e.value == 3;
  }
  EXPECT_TRUE(recorded);
}

TEST_F(InstallSequence, UpdateFromAnOlderVersionWritesNoSamples) {
  ScratchFolder scratch(L"sequence");
  const std::wstring folder = scratch / L"Meridel";
  RecordingPage page;
  ASSERT_TRUE(Run(archive_, folder, std::wstring(), page, InstalledState::OlderVersion).succeeded());
  for (const ListedEntry& e : listed_) {
    if (!IsPayloadKind(e.kind, PayloadKind::Sample)) continue;
    const std::wstring path = test::ResolveForTest(e.destination, folder, L"");
    EXPECT_FALSE(Exists(path)) << path;
    EXPECT_EQ(page.log.find(path), std::wstring::npos);
  }
}

TEST_F(InstallSequence, ProductPathNotWritableRollsEverythingBack) {
  ScratchFolder scratch(L"sequence");
  const std::wstring folder = scratch / L"Meridel";
  const std::wstring menu = scratch / L"Menu";
  // A key handle that names no key: every write below it fails.
  productPath_ = {reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7FF0)), L"Software\\Quillon Works"};
  RecordingPage page;
  const InstallOutcome outcome = Run(archive_, folder, menu, page);
  EXPECT_EQ(outcome.error.category(), product_path_category()) << "the outcome keeps the system's reason";
  EXPECT_NE(outcome.error.value(), 0);
  EXPECT_EQ(page.Status(), L"Installation failed (Error Code -1).");
  EXPECT_EQ(page.LogLines().back(), L"Registry Data Writing...Failed");
  EXPECT_FALSE(Exists(folder));
  EXPECT_FALSE(Exists(menu));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, EntryKey())) << "the new uninstall key is deleted";
  EXPECT_FALSE(Exists(request_->tempFolder));
}

TEST_F(InstallSequence, UninstallLogNotWritableStillSucceeds) {
  ScratchFolder scratch(L"sequence");
  const std::wstring folder = scratch / L"Meridel";
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW((folder + L"\\Uninstall.ulog").c_str(), nullptr));  // in the log's way
  RecordingPage page;
  const InstallOutcome outcome = Run(archive_, folder, std::wstring(), page);
  EXPECT_TRUE(outcome.succeeded());
  EXPECT_EQ(outcome.stepErrors, std::vector<std::error_code>{SystemError(ERROR_WRITE_FAULT)})
      << "the failed step is kept, the run still succeeds";
  EXPECT_EQ(page.LogLines().back(), L"Installation Data Writing...Failed");
  EXPECT_EQ(page.Status(), L"Click on 'Next' to continue.");
}

TEST_F(InstallSequence, ARegistrationRunThatFailsMarksOnlyTheRegistryLineFailed) {
  ScratchFolder scratch(L"sequence");
  const std::wstring folder = scratch / L"Meridel";
  ::SetEnvironmentVariableW(L"QW_TINY_EXIT_CODE", L"1");  // the program's answer to "/Register"
  RecordingPage page;
  const InstallOutcome outcome = Run(archive_, folder, std::wstring(), page);
  ::SetEnvironmentVariableW(L"QW_TINY_EXIT_CODE", nullptr);
  EXPECT_TRUE(outcome.succeeded());
  EXPECT_EQ(outcome.stepErrors, std::vector<std::error_code>{SystemError(ERROR_INSTALL_FAILURE)});
  const std::vector<std::wstring> lines = page.LogLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], L"Registry Data Writing...Failed");
  EXPECT_EQ(lines.back(), L"Installation Data Writing...OK");
  // The log keeps the run as not done: the uninstaller has nothing to undo.
  PreviousInstallation written;
  UninstallLog::Read(folder + L"\\Uninstall.ulog", written);
  std::size_t runs = 0;
  for (const JournalEntry& entry : written.entries) {
    if (entry.kind != JournalEntryKind::SelfRegistration) continue;
    ++runs;
    EXPECT_FALSE(entry.done);
  }
  EXPECT_EQ(runs, 1u);
}

// A folder with '/' comes only from a caller other than the Path page,
// which turns them into '\': the uninstaller would refuse its log's paths.
TEST_F(InstallSequence, RelativeEmptyOrForwardSlashedFolderIsRefusedBeforeAnythingIsWritten) {
  for (const std::wstring& folder : {std::wstring(), std::wstring(L"Meridel 6"), std::wstring(L"\\Meridel 6"),
                                     std::wstring(L"C:/Meridel 6"), std::wstring(L"C:\\Games/Meridel 6")}) {
    RecordingPage page;
    EXPECT_EQ(Run(archive_, folder, std::wstring(), page).error, SystemError(ERROR_BAD_PATHNAME));
    EXPECT_EQ(page.Status(), L"Installation failed (Error Code 1:000000A1).");
    EXPECT_EQ(page.LogLines(),
              (std::vector<std::wstring>{L"<rule>", L"Installation failed (Error Code 1:000000A1)."}));
    EXPECT_TRUE(request_->journal.Entries().empty());
    EXPECT_TRUE(request_->tempFolder.empty());
  }
}

TEST_F(InstallSequence, RunAfterAFailureStartsAfreshInANewTemporaryFolder) {
  ScratchFolder scratch(L"sequence");
  const std::wstring folder = scratch / L"Meridel";
  RecordingPage page;
  EXPECT_FALSE(Run(archive_.substr(0, 100), folder, std::wstring(), page).succeeded());
  const std::wstring firstTemp = request_->tempFolder;
  const InstallOutcome second = Run(archive_, folder, std::wstring(), page);
  EXPECT_TRUE(second.succeeded());
  EXPECT_NE(request_->tempFolder, firstTemp);
  std::size_t rules = 0;
  for (const std::wstring& line : page.LogLines()) rules += line == L"<rule>";
  EXPECT_EQ(rules, 2u) << "each run starts below a rule line of its own";
}

}  // namespace
}  // namespace qw
