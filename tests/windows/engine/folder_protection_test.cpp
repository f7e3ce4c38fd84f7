// The installation folder protected like Program Files, and folders an
// ordinary user owns refused: which folders the journal makes with the
// protected descriptor (seen in the arguments the security table hands to
// CreateDirectoryW), where the Program Files folders end, which existing
// folders the owner test covers, and whole runs of the install sequence:
// one into a folder that the table reports as owned by a user (nothing on
// the machine changes), one that succeeds (the installation folder
// protected, no program file given to the Users group).

#include <windows.h>
#include <sddl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "build_tree.h"
#include "child_process.h"
#include "dacl_reader.h"
#include "engine/folder_containment.h"
#include "engine/install_journal.h"
#include "engine/install_sequence.h"
#include "engine/program_files_folders.h"
#include "engine/user_controlled_folder.h"
#include "installer_strings.h"
#include "machine_cleanup.h"
#include "machine_snapshot.h"
#include "payload/payload_kind.h"
#include "payload/special_folder.h"
#include "platform/handles.h"
#include "platform/security_api.h"
#include "recording_page.h"
#include "scratch_folder.h"
#include "sequence_request.h"
#include "test_payload.h"

namespace qw {
namespace {

using test::Exists;
using test::ListedEntry;
using test::RecordingPage;
using test::ScratchFolder;

// An ordinary account of some machine: neither the administration nor
// the account that runs the tests.
const wchar_t kSomeUser[] = L"S-1-5-21-1004336348-1177238915-682003330-1001";

// What the security table handed to the system, recorded by the
// replacements below before they pass each call on.
struct Seam {
  struct Creation {
    std::wstring path;
    bool protectedDacl = false;  // a descriptor came with it, marked SE_DACL_PROTECTED
    DWORD entries = 0;
  };
  std::vector<Creation> creations;
  std::vector<std::wstring> grants;  // paths given a new DACL with SetFileSecurityW
  std::wstring servedPath;           // GetFileSecurityW answers for it from `served`
  std::vector<BYTE> served;
};
Seam seam;

BOOL WINAPI RecordingCreateDirectory(LPCWSTR path, LPSECURITY_ATTRIBUTES attributes) {
  Seam::Creation creation{path};
  if (attributes && attributes->lpSecurityDescriptor) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(attributes->lpSecurityDescriptor, &control, &revision);
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    ::GetSecurityDescriptorDacl(attributes->lpSecurityDescriptor, &present, &acl, &defaulted);
    creation.protectedDacl = (control & SE_DACL_PROTECTED) != 0;
    creation.entries = acl ? acl->AceCount : 0;
  }
  seam.creations.push_back(creation);
  return ::CreateDirectoryW(path, attributes);
}

BOOL WINAPI RecordingSetFileSecurity(LPCWSTR path, SECURITY_INFORMATION info,
                                     PSECURITY_DESCRIPTOR descriptor) {
  seam.grants.push_back(path);
  return ::SetFileSecurityW(path, info, descriptor);
}

BOOL WINAPI ServingGetFileSecurity(LPCWSTR path, SECURITY_INFORMATION info,
                                   PSECURITY_DESCRIPTOR descriptor, DWORD size, LPDWORD needed) {
  if (seam.servedPath.empty() || ::lstrcmpiW(seam.servedPath.c_str(), path) != 0)
    return ::GetFileSecurityW(path, info, descriptor, size, needed);
  return test::ServeDescriptor(seam.served, descriptor, size, needed);
}

// Serves `path` as owned by `ownerSid`.
void ServeOwner(const std::wstring& path, const std::wstring& ownerSid) {
  PSECURITY_DESCRIPTOR made = nullptr;
  ULONG size = 0;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW((L"O:" + ownerSid).c_str(),
                                                                     SDDL_REVISION_1, &made, &size));
  const UniqueLocalMemory holder(made);
  const auto* bytes = static_cast<const BYTE*>(made);
  seam.served.assign(bytes, bytes + size);
  seam.servedPath = path;
}

// The table's file entries replaced for the test's life.
class SeamScope {
 public:
  SeamScope() {
    seam = Seam{};
    original_ = SecurityApi::Get().ReplaceFileSecurityFunctions(
        {&ServingGetFileSecurity, &RecordingSetFileSecurity, &RecordingCreateDirectory});
  }
  ~SeamScope() { SecurityApi::Get().ReplaceFileSecurityFunctions(original_); }

 private:
  SecurityApi::FileSecurityFunctions original_;
};

TEST(FolderProtection, JournalProtectsTheFolderAndTheFoldersMadeOnItsWayOnly) {
  ScratchFolder scratch(L"protect");
  const SeamScope scope;
  InstallJournal journal(UninstallKeyLocation{HKEY_CURRENT_USER, L"Software\\QwFolderProtectionTest", L"X"});
  const std::wstring target = scratch / L"Apps\\Meridel";
  journal.ProtectFoldersOnTheWayTo(target);
  journal.EnsureFolder(target + L"\\Lang");
  EXPECT_FALSE(journal.LastRecordingError());

  ASSERT_EQ(seam.creations.size(), 2u) << "Lang inherits; it is made without a descriptor of its own";
  EXPECT_EQ(seam.creations[0].path, scratch / L"Apps");
  EXPECT_EQ(seam.creations[1].path, target);
  for (const Seam::Creation& creation : seam.creations) {
    EXPECT_TRUE(creation.protectedDacl) << creation.path;
    EXPECT_EQ(creation.entries, 3u) << creation.path;
  }
  EXPECT_TRUE(::PathIsDirectoryW((target + L"\\Lang").c_str()));
  std::vector<std::wstring> recorded;
  for (const JournalEntry& entry : journal.Entries()) recorded.push_back(entry.path);
  EXPECT_EQ(recorded, (std::vector<std::wstring>{scratch / L"Apps", target, target + L"\\Lang"}));

  // The scratch folder existed: it is neither made nor changed.
  journal.Rollback();
  EXPECT_FALSE(Exists(scratch / L"Apps"));
  EXPECT_TRUE(Exists(scratch.path()));
}

TEST(FolderProtection, WithoutAFolderToProtectTheJournalMakesFoldersAsBefore) {
  ScratchFolder scratch(L"protect");
  const SeamScope scope;
  InstallJournal journal(UninstallKeyLocation{HKEY_CURRENT_USER, L"Software\\QwFolderProtectionTest", L"X"});
  journal.EnsureFolder(scratch / L"Apps\\Meridel\\Lang");
  EXPECT_FALSE(journal.LastRecordingError());
  EXPECT_TRUE(seam.creations.empty());
  EXPECT_TRUE(::PathIsDirectoryW((scratch / L"Apps\\Meridel\\Lang").c_str()));
  journal.Rollback();
}

TEST(FolderProtection, ProgramFilesEndsWhereItsPathElementsEnd) {
  const std::wstring programFiles = SpecialFolderPath(csidl::kProgramFiles);
  ASSERT_FALSE(programFiles.empty());
  EXPECT_TRUE(IsInsideProgramFiles(programFiles));
  EXPECT_TRUE(IsInsideProgramFiles(programFiles + L"\\Quillon Works\\Meridel 6"));
  EXPECT_TRUE(IsInsideProgramFiles(programFiles + L"\\Quillon Works.\\Meridel 6"))
      << "a trailing dot names the same folder";
  EXPECT_FALSE(IsInsideProgramFiles(programFiles + L" Evil\\Meridel 6")) << "not a folder of it";
  EXPECT_FALSE(IsInsideProgramFiles(programFiles + L"\\..\\Meridel 6"));
  EXPECT_FALSE(IsInsideProgramFiles(L"C:\\Meridel"));

  // Its short name, where the file system has one.
  wchar_t shortName[MAX_PATH] = {};
  const DWORD length = ::GetShortPathNameW(programFiles.c_str(), shortName, MAX_PATH);
  if (length > 0 && length < MAX_PATH && programFiles != shortName) {
    EXPECT_TRUE(IsInsideProgramFiles(std::wstring(shortName) + L"\\Quillon Works")) << shortName;
  } else {
    std::printf("no short name for %ls: that case is not shown here\n", programFiles.c_str());
  }
}

TEST(FolderProtection, FoldersToVouchForStartBelowEachPlaceholdersBase) {
  const SpecialFolderLookup lookup = [](int id) -> std::wstring {
    switch (id) {
      case csidl::kCommonAppData: return L"C:\\ProgramData";
      case csidl::kAppData: return L"C:\\users\\admin\\AppData\\Roaming";
      case csidl::kCommonDesktopDirectory: return L"C:\\users\\Public\\Desktop";
      default: return std::wstring();
    }
  };
  const PlaceholderFolders folders{L"D:\\Apps\\Meridel", L"Meridel Examples", L"C:\\Temp\\quillon_{x}"};
  const std::vector<std::wstring> destinations{
      L"<InstallPath>", L"<InstallPath>\\Lang", L"<CommonData>\\Quillon Works\\Meridel 6",
      L"<CommonData>\\Quillon Works\\Materials", L"<UserData>\\Quillon Works\\Meridel 6", L"<SamplePath>",
      L"<Temporary>", L"Relative\\Folder", L"<CommonData>\\Quillon Works\\Meridel 6",
      L"<Documents>\\Quillon Works"};  // a base the lookup cannot name
  const std::vector<std::wstring> expected{
      L"D:\\Apps", L"D:\\Apps\\Meridel", L"D:\\Apps\\Meridel\\Lang",
      L"C:\\ProgramData\\Quillon Works", L"C:\\ProgramData\\Quillon Works\\Meridel 6",
      L"C:\\ProgramData\\Quillon Works\\Materials", L"C:\\users\\admin\\AppData\\Roaming\\Quillon Works",
      L"C:\\users\\admin\\AppData\\Roaming\\Quillon Works\\Meridel 6",
      L"C:\\users\\Public\\Desktop\\Meridel Examples"};
  EXPECT_EQ(FoldersToVouchFor(folders.installFolder, destinations, folders, lookup), expected);
}

TEST(FolderProtection, AFolderOnTheWayToADataDestinationOwnedByAUserIsFound) {
  ScratchFolder scratch(L"owners");
  const SeamScope scope;
  const std::wstring data = scratch / L"ProgramData";
  const SpecialFolderLookup lookup = [&data](int id) {
    return id == csidl::kCommonAppData ? data : std::wstring();
  };
  test::WriteTestFile(data + L"\\Quillon Works\\Meridel 6\\Old.mr-lib", "old");
  const std::vector<std::wstring> list =
      FoldersToVouchFor(scratch / L"Meridel", {L"<InstallPath>", L"<CommonData>\\Quillon Works\\Meridel 6"},
                        PlaceholderFolders{scratch / L"Meridel", L"", L""}, lookup);

  // As the system reports the owners: made by this account.
  EXPECT_EQ(FirstUserControlledFolder(list), L"");
  ServeOwner(data + L"\\Quillon Works", kSomeUser);
  EXPECT_EQ(FirstUserControlledFolder(list), data + L"\\Quillon Works");
  ServeOwner(data + L"\\Quillon Works", L"BA");
  EXPECT_EQ(FirstUserControlledFolder(list), L"");
  // A folder that does not exist yet is the installation's to make.
  ServeOwner(scratch / L"Meridel", kSomeUser);
  EXPECT_EQ(FirstUserControlledFolder(list), L"");
}

// Whole runs of the sequence with the tests' payload and registry places
// of their own.
class FolderProtectionRun : public InstallerStrings {
 protected:
  void SetUp() override {
    InstallerStrings::SetUp();
    SetLanguage(kEnglish);
    archive_ = test::ReadArchiveFile(QW_TEST_PAYLOAD);
    listed_ = test::ReadPackerList(QW_TEST_PAYLOAD_LIST);
    ASSERT_FALSE(archive_.empty());
    ::SHDeleteKeyW(HKEY_CURRENT_USER, kRoot);
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kUninstall, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
  }
  void TearDown() override {
    ::SHDeleteKeyW(HKEY_CURRENT_USER, kRoot);
    InstallerStrings::TearDown();
  }

  InstallOutcome Run(const std::wstring& installFolder, RecordingPage& page) {
    const UninstallKeyLocation location{HKEY_CURRENT_USER, kUninstall, L"Meridel 6"};
    run_ = std::make_unique<test::SequenceRequest>(location);
    InstallRequest& r = run_->request;
    r.installFolder = installFolder;
    r.startMenuShortcut = false;
    r.desktopShortcut = false;
    r.product = test::TestProductNames();
    r.archive = {archive_.data(), archive_.size()};
    r.uninstallKey = location;
    r.productPath = {HKEY_CURRENT_USER, kRoot};
    return RunInstallSequence(r, page);
  }

  static constexpr wchar_t kRoot[] = L"Software\\QwFolderProtectionRun";
  static constexpr wchar_t kUninstall[] = L"Software\\QwFolderProtectionRun\\Uninstall";
  std::string archive_;
  std::vector<ListedEntry> listed_;
  std::unique_ptr<test::SequenceRequest> run_;
};

// The user picked a folder under the drive root that exists and that the
// table reports as a user's: the run stops before anything is written.
TEST_F(FolderProtectionRun, ExistingFolderOwnedByAUserStopsTheRunBeforeAnythingIsWritten) {
  const std::wstring folder = L"C:\\qwtest_user_folder_" + std::to_wstring(::GetCurrentProcessId());
  test::RemoveTree(folder);
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  test::WriteTestFile(folder + L"\\notes.txt", "the user's");
  const SeamScope scope;
  ServeOwner(folder, kSomeUser);

  const test::MachineSnapshot before = test::TakeMachineSnapshot(test::SnapshotRoots());
  RecordingPage page;
  const InstallOutcome outcome = Run(folder, page);
  const std::vector<std::wstring> changes =
      test::Differences(before, test::TakeMachineSnapshot(test::SnapshotRoots()), test::ComparisonExclusions());
  test::RemoveTree(folder);

  EXPECT_FALSE(outcome.succeeded());
  EXPECT_EQ(page.Status(), L"Installation failed (Error Code 8).");
  EXPECT_EQ(page.LogLines(),
            (std::vector<std::wstring>{
                L"<rule>",
                L"The folder '" + folder +
                    L"' belongs to a user without administrator rights, who could change what is installed in "
                    L"it. Nothing was installed.",
                L"Installation failed (Error Code 8)."}));
  EXPECT_TRUE(run_->journal.Entries().empty());
  EXPECT_TRUE(run_->tempFolder.empty()) << "not even the temporary folder was named";
  EXPECT_TRUE(seam.creations.empty());
  EXPECT_TRUE(seam.grants.empty());
  std::wstring listing;
  for (const std::wstring& change : changes) listing += change + L"\n";
  EXPECT_TRUE(changes.empty()) << std::string(listing.begin(), listing.end());
}

// The installation folder did not exist at the first look; when the run
// comes to make it, the table reports it as a user's (as if a user had
// made it in between): the run stops before the first file and takes back
// what it made.
TEST_F(FolderProtectionRun, FolderThatAUserMadeSinceTheFirstLookIsRefusedToo) {
  ScratchFolder scratch(L"late_folder");
  const std::wstring folder = scratch / L"Meridel";
  const SeamScope scope;
  ServeOwner(folder, kSomeUser);
  RecordingPage page;
  const InstallOutcome outcome = Run(folder, page);
  EXPECT_FALSE(outcome.succeeded());
  EXPECT_EQ(page.Status(), L"Installation failed (Error Code 8).");
  const std::vector<std::wstring> lines = page.LogLines();
  ASSERT_EQ(lines.size(), 3u) << std::string(page.log.begin(), page.log.end());
  EXPECT_EQ(lines[1].rfind(L"The folder '" + folder + L"' belongs to a user", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2], L"Installation failed (Error Code 8).");
  EXPECT_FALSE(Exists(folder)) << "the folder the run made is taken back";
  EXPECT_FALSE(Exists(run_->tempFolder));
  EXPECT_TRUE(run_->journal.Entries().empty());
  EXPECT_TRUE(seam.grants.empty());
}

// A run into a new folder outside Program Files (the temporary folder's
// scratch place): the installation folder is made protected, the folders
// inside inherit, and only the user data (kind 3) is given to the Users
// group.
TEST_F(FolderProtectionRun, NewFolderIsProtectedAndOnlyUserDataIsGivenToUsers) {
  ScratchFolder scratch(L"protected_run");
  const std::wstring folder = scratch / L"Meridel";
  const SeamScope scope;
  RecordingPage page;
  const InstallOutcome outcome = Run(folder, page);
  ASSERT_TRUE(outcome.succeeded()) << std::string(page.log.begin(), page.log.end());

  ASSERT_EQ(seam.creations.size(), 1u);
  EXPECT_EQ(seam.creations[0].path, folder);
  EXPECT_TRUE(seam.creations[0].protectedDacl);

  std::vector<std::wstring> userData;
  for (const ListedEntry& e : listed_) {
    if (IsPayloadKind(e.kind, PayloadKind::UserData)) {
      userData.push_back(test::ResolveForTest(e.destination, folder, run_->tempFolder));
    }
  }
  ASSERT_FALSE(userData.empty()) << "the test payload has user data";
  std::sort(userData.begin(), userData.end());
  std::vector<std::wstring> grants = seam.grants;
  std::sort(grants.begin(), grants.end());
  EXPECT_EQ(grants, userData) << "no program file gets the Users group's access";
  EXPECT_TRUE(::PathIsDirectoryW((folder + L"\\Lang").c_str()));
}

}  // namespace
}  // namespace qw
