// The protection of folders the installation makes outside Program Files
// and the owner test of folders that are already there: the descriptor
// built in memory, the exact arguments handed to CreateDirectoryW and
// GetFileSecurityW through the security table, and the DACL read back from
// the folder where a probe shows that the platform keeps it (Wine maps a
// DACL to Unix mode bits unless the file system keeps extended attributes).

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "child_process.h"
#include "dacl_reader.h"
#include "platform/folder_owner.h"
#include "platform/handles.h"
#include "platform/protected_folder.h"
#include "platform/security_api.h"
#include "platform_probes.h"

namespace qw {
namespace {

const std::wstring kAdministrators = L"S-1-5-32-544";
const std::wstring kSystem = L"S-1-5-18";
const std::wstring kUsers = L"S-1-5-32-545";
const std::wstring kEveryone = L"S-1-1-0";
const std::wstring kTrustedInstaller =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
// An ordinary account of some machine: neither the administration nor
// the account that runs the tests.
const std::wstring kSomeUser = L"S-1-5-21-1004336348-1177238915-682003330-1001";

constexpr BYTE kInheritedByAll = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

using Entry = test::DaclEntry;
using test::Dacl;
using test::DaclOf;

const std::vector<Entry> kProgramFilesLike = {{kAdministrators, FILE_ALL_ACCESS, kInheritedByAll},
                                              {kSystem, FILE_ALL_ACCESS, kInheritedByAll},
                                              {kUsers, 0x1200A9, kInheritedByAll}};

std::wstring OwnerText(PSECURITY_DESCRIPTOR descriptor) {
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  if (!::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !owner) return L"<none>";
  wchar_t* text = nullptr;
  ::ConvertSidToStringSidW(owner, &text);
  const UniqueLocalMemory holder(text);
  return text ? text : L"?";
}

// A self-relative descriptor with only an owner (none for an empty text).
std::vector<BYTE> OwnerDescriptor(const std::wstring& ownerSid) {
  const std::wstring sddl = ownerSid.empty() ? L"D:" : L"O:" + ownerSid;
  PSECURITY_DESCRIPTOR made = nullptr;
  ULONG size = 0;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &made,
                                                              &size)) {
    return {};
  }
  const UniqueLocalMemory holder(made);
  const auto* bytes = static_cast<const BYTE*>(made);
  return std::vector<BYTE>(bytes, bytes + size);
}

// The string form of the account running this process.
std::wstring ProcessUserText() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  const UniqueHandle holder(token);
  BYTE buffer[512];
  DWORD size = 0;
  if (!::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) return {};
  wchar_t* text = nullptr;
  ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text);
  const UniqueLocalMemory textHolder(text);
  return text ? text : L"";
}

TEST(ProtectedFolderDescriptor, GivesAdministrationFullControlAndUsersReadAndRunInheritedByAll) {
  const DaclDescriptor protection = ProtectedFolderDescriptor();
  const Dacl dacl = DaclOf(protection.descriptor.get());
  EXPECT_TRUE(dacl.present);
  EXPECT_FALSE(dacl.null);
  EXPECT_EQ(dacl.entries, kProgramFilesLike);
  EXPECT_TRUE(dacl.control & SE_DACL_PROTECTED) << "nothing may come from the parent";
  EXPECT_TRUE(::IsValidSecurityDescriptor(protection.descriptor.get()));
  EXPECT_EQ(OwnerText(protection.descriptor.get()), L"<none>") << "the owner is left to the system";
}

// What the table handed to CreateDirectoryW and GetFileSecurityW, recorded
// by the replacements below before they pass the call on to the system.
struct FolderSeam {
  struct Creation {
    std::wstring path;
    bool attributesGiven = false;
    DWORD length = 0;
    BOOL inheritHandle = TRUE;
    Dacl dacl;
    BOOL systemResult = FALSE;
  };
  std::vector<Creation> creations;
  std::wstring servedPath;  // GetFileSecurityW answers for it from `served`
  std::vector<BYTE> served;
  std::vector<std::pair<std::wstring, SECURITY_INFORMATION>> reads;
};
FolderSeam seam;

BOOL WINAPI RecordingCreateDirectory(LPCWSTR path, LPSECURITY_ATTRIBUTES attributes) {
  FolderSeam::Creation creation;
  creation.path = path;
  creation.attributesGiven = attributes != nullptr;
  if (attributes) {
    creation.length = attributes->nLength;
    creation.inheritHandle = attributes->bInheritHandle;
    creation.dacl = DaclOf(attributes->lpSecurityDescriptor);
  }
  creation.systemResult = ::CreateDirectoryW(path, attributes);
  const DWORD error = ::GetLastError();
  seam.creations.push_back(creation);
  ::SetLastError(error);
  return creation.systemResult;
}

BOOL WINAPI ServingGetFileSecurity(LPCWSTR path, SECURITY_INFORMATION info,
                                   PSECURITY_DESCRIPTOR descriptor, DWORD size, LPDWORD needed) {
  seam.reads.emplace_back(path, info);
  if (seam.servedPath.empty() || seam.servedPath != path)
    return ::GetFileSecurityW(path, info, descriptor, size, needed);
  return test::ServeDescriptor(seam.served, descriptor, size, needed);
}

class FolderSecurityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    seam = FolderSeam{};
    original_ = SecurityApi::Get().ReplaceFileSecurityFunctions(
        {&ServingGetFileSecurity, nullptr, &RecordingCreateDirectory});
  }
  void TearDown() override {
    SecurityApi::Get().ReplaceFileSecurityFunctions(original_);
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) ::RemoveDirectoryW(it->c_str());
  }
  // A folder name for the test, removed at the end.
  std::wstring Folder(const std::wstring& parent, const wchar_t* prefix) {
    made_.push_back(parent + test::UniqueName(prefix));
    return made_.back();
  }
  static std::wstring Temp() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    return temp;
  }

  const test::ProbeResult dacls_ = test::ProbeFileDacl();
  SecurityApi::FileSecurityFunctions original_;
  std::vector<std::wstring> made_;
};

// The case of the issue: a folder made directly under a drive root, which
// lets authenticated users change what is created in it.
TEST_F(FolderSecurityTest, FolderUnderADriveRootGetsTheProtectedDaclAsItIsCreated) {
  const std::wstring folder = Folder(L"C:\\", L"qwtest_protected");
  ASSERT_FALSE(CreateProtectedFolder(folder));
  ASSERT_EQ(seam.creations.size(), 1u);
  const FolderSeam::Creation& handed = seam.creations.front();
  EXPECT_EQ(handed.path, folder);
  ASSERT_TRUE(handed.attributesGiven) << "the descriptor goes with the creation, not after it";
  EXPECT_EQ(handed.length, DWORD{sizeof(SECURITY_ATTRIBUTES)});
  EXPECT_FALSE(handed.inheritHandle);
  EXPECT_EQ(handed.dacl.entries, kProgramFilesLike);
  EXPECT_TRUE(handed.dacl.control & SE_DACL_PROTECTED);
  EXPECT_TRUE(handed.systemResult) << "the system refused the descriptor";
  EXPECT_NE(::GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);

  if (!dacls_.works) GTEST_SKIP() << dacls_.finding;
  DWORD size = 0;
  ::GetFileSecurityW(folder.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
  std::vector<BYTE> buffer(size ? size : 1);
  ASSERT_TRUE(::GetFileSecurityW(folder.c_str(), DACL_SECURITY_INFORMATION, buffer.data(), size, &size));
  const Dacl onDisk = DaclOf(buffer.data());
  EXPECT_EQ(onDisk.entries, kProgramFilesLike);
  EXPECT_TRUE(onDisk.control & SE_DACL_PROTECTED);
}

TEST_F(FolderSecurityTest, AnExistingFolderIsNeverTakenAsMade) {
  const std::wstring folder = Folder(Temp(), L"qwtest_existing");
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  EXPECT_EQ(CreateProtectedFolder(folder), std::error_code(ERROR_ALREADY_EXISTS, std::system_category()));
  EXPECT_EQ(CreateProtectedFolder(folder + L"\\missing\\child"),
            std::error_code(ERROR_PATH_NOT_FOUND, std::system_category()));
  EXPECT_EQ(seam.creations.size(), 2u);
}

TEST_F(FolderSecurityTest, OwnerOfAnExistingFolderIsReadAndJudged) {
  const std::wstring folder = Folder(Temp(), L"qwtest_owned");
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));

  // As the system reports it: made by this process, so trusted on Windows
  // (Administrators or this account) and under Wine (this account).
  EXPECT_TRUE(FileOwnerIsTrusted(folder));
  ASSERT_FALSE(seam.reads.empty());
  EXPECT_EQ(seam.reads.back(), std::make_pair(folder, SECURITY_INFORMATION{OWNER_SECURITY_INFORMATION}));

  // As the table serves it.
  seam.servedPath = folder;
  for (const std::wstring& owner : {kAdministrators, kSystem, kTrustedInstaller}) {
    seam.served = OwnerDescriptor(owner);
    EXPECT_TRUE(FileOwnerIsTrusted(folder)) << std::string(owner.begin(), owner.end());
  }
  for (const std::wstring& owner : {kSomeUser, kUsers, kEveryone, std::wstring()}) {
    seam.served = OwnerDescriptor(owner);
    EXPECT_FALSE(FileOwnerIsTrusted(folder)) << "owner " << std::string(owner.begin(), owner.end());
  }
  EXPECT_FALSE(FileOwnerIsTrusted(folder + L"\\missing")) << "an unknown owner is not trusted";
}

TEST(IsTrustedOwner, AdministrationAndTheInstallingAccountOnly) {
  std::vector<BYTE> processUser = OwnerDescriptor(ProcessUserText());
  ASSERT_FALSE(processUser.empty());
  PSID user = nullptr;
  BOOL defaulted = FALSE;
  ASSERT_TRUE(::GetSecurityDescriptorOwner(processUser.data(), &user, &defaulted));

  for (const std::wstring& owner : {kAdministrators, kSystem, kTrustedInstaller, ProcessUserText()}) {
    std::vector<BYTE> descriptor = OwnerDescriptor(owner);
    ASSERT_FALSE(descriptor.empty());
    EXPECT_TRUE(IsTrustedOwner(descriptor.data(), user)) << std::string(owner.begin(), owner.end());
  }
  for (const std::wstring& owner : {kSomeUser, kUsers, kEveryone}) {
    std::vector<BYTE> descriptor = OwnerDescriptor(owner);
    ASSERT_FALSE(descriptor.empty());
    EXPECT_FALSE(IsTrustedOwner(descriptor.data(), user)) << std::string(owner.begin(), owner.end());
  }
  std::vector<BYTE> ownerless = OwnerDescriptor(std::wstring());
  EXPECT_FALSE(IsTrustedOwner(ownerless.data(), user));
  // Without the installing account, its folders are no longer trusted.
  std::vector<BYTE> own = OwnerDescriptor(ProcessUserText());
  EXPECT_FALSE(IsTrustedOwner(own.data(), nullptr));
}

}  // namespace
}  // namespace qw
