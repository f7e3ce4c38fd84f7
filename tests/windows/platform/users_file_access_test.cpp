// GrantUsersFileAccess: the new descriptor built from descriptors in memory
// (made and read with the system's own functions), and the whole operation
// on real files of the Wine prefix's drive C:: what it hands to
// SetFileSecurityW always, and the DACL read back with GetFileSecurityW
// where a probe shows that the file system keeps a file's DACL.

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "child_process.h"
#include "dacl_reader.h"
#include "platform/handles.h"
#include "platform/security.h"
#include "platform/security_api.h"
#include "platform/users_file_access.h"
#include "platform_probes.h"

namespace qw {
namespace {

constexpr DWORD kInstallMask = 0x13019F;

using Entry = test::DaclEntry;
using test::Dacl;
using test::DaclOf;

const std::wstring kEveryone = L"S-1-1-0";
const std::wstring kAdministrators = L"S-1-5-32-544";
const std::wstring kUsers = L"S-1-5-32-545";

std::vector<BYTE> SidOf(const std::wstring& text) {
  PSID sid = nullptr;
  if (!::ConvertStringSidToSidW(text.c_str(), &sid)) return {};
  const UniqueLocalMemory owner(sid);
  const auto* bytes = static_cast<const BYTE*>(sid);
  return std::vector<BYTE>(bytes, bytes + ::GetLengthSid(sid));
}

// An absolute descriptor with a DACL of `entries` (allowed entries), or a
// null DACL, and the control bits `control`.
class TestDescriptor {
 public:
  TestDescriptor(const std::vector<Entry>& entries, bool null, SECURITY_DESCRIPTOR_CONTROL control)
      : acl_(1024) {
    auto* acl = reinterpret_cast<PACL>(acl_.data());
    ok_ = ::InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION) &&
          ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION);
    for (const Entry& e : entries) {
      std::vector<BYTE> sid = SidOf(e.sid);
      ok_ = ok_ && ::AddAccessAllowedAceEx(acl, ACL_REVISION, e.flags, e.mask, sid.data());
    }
    ok_ = ok_ && ::SetSecurityDescriptorDacl(&descriptor_, TRUE, null ? nullptr : acl, FALSE);
    if (control) ok_ = ok_ && ::SetSecurityDescriptorControl(&descriptor_, control, control);
  }
  bool ok() const { return ok_; }
  PSECURITY_DESCRIPTOR get() { return &descriptor_; }

 private:
  std::vector<BYTE> acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  bool ok_ = false;
};

// The DACL that `UsersAccessDescriptor` makes from a descriptor of
// `entries`.
Dacl Updated(const std::vector<Entry>& entries, bool null = false,
             SECURITY_DESCRIPTOR_CONTROL control = 0) {
  TestDescriptor current(entries, null, control);
  EXPECT_TRUE(current.ok()) << ::GetLastError();
  const DaclDescriptor updated = UsersAccessDescriptor(current.get(), kInstallMask);
  return DaclOf(updated.descriptor.get());
}

bool WriteDacl(const std::wstring& path, const std::vector<Entry>& entries, bool null,
               SECURITY_DESCRIPTOR_CONTROL control) {
  TestDescriptor descriptor(entries, null, control);
  return descriptor.ok() &&
         ::SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.get()) != FALSE;
}

Dacl ReadDacl(const std::wstring& path) {
  DWORD size = 0;
  ::GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
  std::vector<BYTE> buffer(size ? size : 1);
  if (!::GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, buffer.data(), size, &size)) {
    ADD_FAILURE() << "GetFileSecurityW failed with " << ::GetLastError();
    return {};
  }
  return DaclOf(buffer.data());
}

TEST(UsersAccessDescriptor, ReplacesUsersEntriesBetweenExplicitAndInherited) {
  const Dacl dacl = Updated({{kEveryone, FILE_GENERIC_READ, 0},
                             {kUsers, FILE_READ_DATA, 0},
                             {kAdministrators, FILE_ALL_ACCESS, 0},
                             {kUsers, FILE_GENERIC_READ, INHERITED_ACE},
                             {kEveryone, FILE_READ_ATTRIBUTES, INHERITED_ACE}});
  const std::vector<Entry> expected = {{kEveryone, FILE_GENERIC_READ, 0},
                                       {kAdministrators, FILE_ALL_ACCESS, 0},
                                       {kUsers, kInstallMask, 0},
                                       {kEveryone, FILE_READ_ATTRIBUTES, INHERITED_ACE}};
  EXPECT_EQ(dacl.entries, expected);
  EXPECT_EQ(dacl.control & (SE_DACL_PROTECTED | SE_DACL_AUTO_INHERITED), 0);
}

TEST(UsersAccessDescriptor, OnlyInheritedEntriesGetUsersFirst) {
  const Dacl dacl = Updated({{kAdministrators, FILE_ALL_ACCESS, INHERITED_ACE}});
  const std::vector<Entry> expected = {{kUsers, kInstallMask, 0},
                                       {kAdministrators, FILE_ALL_ACCESS, INHERITED_ACE}};
  EXPECT_EQ(dacl.entries, expected);
}

TEST(UsersAccessDescriptor, NullOrEmptyDaclBecomesTheUsersEntry) {
  const std::vector<Entry> usersOnly = {{kUsers, kInstallMask, 0}};
  const Dacl fromNull = Updated({}, true);
  EXPECT_TRUE(fromNull.present);
  EXPECT_FALSE(fromNull.null);
  EXPECT_EQ(fromNull.entries, usersOnly);
  EXPECT_EQ(Updated({}).entries, usersOnly);
}

TEST(UsersAccessDescriptor, KeepsTheDaclMarks) {
  const std::vector<Entry> entries = {{kAdministrators, FILE_ALL_ACCESS, 0}};
  const Dacl fromProtected = Updated(entries, false, SE_DACL_PROTECTED);
  EXPECT_EQ(fromProtected.control & (SE_DACL_PROTECTED | SE_DACL_AUTO_INHERITED |
                                     SE_DACL_AUTO_INHERIT_REQ),
            SE_DACL_PROTECTED);
  const Dacl fromAutoInherited = Updated(entries, false, SE_DACL_AUTO_INHERITED);
  EXPECT_EQ(fromAutoInherited.control & (SE_DACL_PROTECTED | SE_DACL_AUTO_INHERITED |
                                         SE_DACL_AUTO_INHERIT_REQ),
            SE_DACL_AUTO_INHERITED | SE_DACL_AUTO_INHERIT_REQ);
  EXPECT_EQ(fromAutoInherited.entries.size(), 2u);
}

// What the security table handed to SetFileSecurityW, recorded by the
// replacement below before it passes the call on to the system.
struct HandedOver {
  int calls = 0;
  std::wstring path;
  SECURITY_INFORMATION info = 0;
  Dacl dacl;
  BOOL systemResult = FALSE;
};

// The state of the replacements: stdcall functions of the table cannot
// carry a context of their own.
struct FileSecuritySeam {
  HandedOver handedOver;
  std::wstring servedPath;             // GetFileSecurityW answers for it from `served`
  std::vector<BYTE> served;            // a self-relative descriptor
  std::vector<std::wstring> readPaths; // every path GetFileSecurityW was asked for
};
FileSecuritySeam seam;

BOOL WINAPI RecordingSetFileSecurity(LPCWSTR path, SECURITY_INFORMATION info,
                                     PSECURITY_DESCRIPTOR descriptor) {
  ++seam.handedOver.calls;
  seam.handedOver.path = path;
  seam.handedOver.info = info;
  seam.handedOver.dacl = DaclOf(descriptor);
  seam.handedOver.systemResult = ::SetFileSecurityW(path, info, descriptor);
  return seam.handedOver.systemResult;
}

BOOL WINAPI ServingGetFileSecurity(LPCWSTR path, SECURITY_INFORMATION info,
                                   PSECURITY_DESCRIPTOR descriptor, DWORD size, LPDWORD needed) {
  seam.readPaths.push_back(path);
  if (seam.servedPath.empty() || seam.servedPath != path)
    return ::GetFileSecurityW(path, info, descriptor, size, needed);
  return test::ServeDescriptor(seam.served, descriptor, size, needed);
}

// Every case checks what GrantUsersFileAccess hands to SetFileSecurityW.
// Where the probe shows that the platform keeps a file's DACL, the DACL is
// first written to the file and the result is read back from it too;
// elsewhere (Wine without extended attributes) the table's GetFileSecurityW
// serves the prepared DACL for the file, and the on-disk check is skipped
// with the probe's finding.
class GrantUsersFileAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    folder_ = temp + test::UniqueName(L"qw_users_access");
    ASSERT_TRUE(::CreateDirectoryW(folder_.c_str(), nullptr));
    file_ = folder_ + L"\\file.txt";
    UniqueFile file(::CreateFileW(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(file);
    seam = FileSecuritySeam{};
    original_ = SecurityApi::Get().ReplaceFileSecurityFunctions({&ServingGetFileSecurity, &RecordingSetFileSecurity});
  }
  void TearDown() override {
    SecurityApi::Get().ReplaceFileSecurityFunctions(original_);
    ::DeleteFileW(file_.c_str());
    ::RemoveDirectoryW(folder_.c_str());
  }

  // Gives `path` the DACL of `entries`, on disk where the platform keeps
  // it (and checks that it did), else through the table.
  void Prepare(const std::wstring& path, const std::vector<Entry>& entries, bool null = false,
               SECURITY_DESCRIPTOR_CONTROL control = 0) {
    if (dacls_.works) {
      ASSERT_TRUE(WriteDacl(path, entries, null, control)) << ::GetLastError();
      const Dacl written = ReadDacl(path);
      ASSERT_EQ(written.null, null);
      ASSERT_EQ(written.entries, entries);
      ASSERT_EQ(written.control & control, control);
      return;
    }
    TestDescriptor descriptor(entries, null, control);
    ASSERT_TRUE(descriptor.ok());
    DWORD size = 0;
    ::MakeSelfRelativeSD(descriptor.get(), nullptr, &size);
    seam.served.assign(size, 0);
    ASSERT_TRUE(::MakeSelfRelativeSD(descriptor.get(), seam.served.data(), &size)) << ::GetLastError();
    seam.servedPath = path;
  }

  // Checks that one call handed the DACL `expected` of `path` to the
  // system, which took it.
  void ExpectHandedOver(const std::wstring& path, const std::vector<Entry>& expected) {
    EXPECT_EQ(seam.handedOver.calls, 1) << "SetFileSecurityW calls";
    EXPECT_EQ(seam.handedOver.path, path);
    EXPECT_EQ(seam.handedOver.info, DWORD{DACL_SECURITY_INFORMATION});
    EXPECT_TRUE(seam.handedOver.dacl.present);
    EXPECT_FALSE(seam.handedOver.dacl.null);
    EXPECT_EQ(seam.handedOver.dacl.entries, expected);
    EXPECT_TRUE(seam.handedOver.systemResult) << "the system refused the descriptor";
    EXPECT_EQ(seam.readPaths, std::vector<std::wstring>(2, path)) << "size, then descriptor";
  }

  const test::ProbeResult dacls_ = test::ProbeFileDacl();
  std::wstring folder_;
  std::wstring file_;
  SecurityApi::FileSecurityFunctions original_;
};

// Ends the test with the probe's finding where files keep no DACL.
#define SKIP_UNLESS_FILE_DACLS_ARE_KEPT() \
  if (!dacls_.works) GTEST_SKIP() << dacls_.finding

TEST_F(GrantUsersFileAccessTest, ReplacesUsersEntriesBetweenExplicitAndInherited) {
  ASSERT_NO_FATAL_FAILURE(Prepare(file_, {{kEveryone, FILE_GENERIC_READ, 0},
                                          {kUsers, FILE_READ_DATA, 0},
                                          {kAdministrators, FILE_ALL_ACCESS, 0},
                                          {kUsers, FILE_GENERIC_READ, INHERITED_ACE},
                                          {kEveryone, FILE_READ_ATTRIBUTES, INHERITED_ACE}}));
  ASSERT_TRUE(GrantUsersFileAccess(file_, kInstallMask));
  const std::vector<Entry> expected = {{kEveryone, FILE_GENERIC_READ, 0},
                                       {kAdministrators, FILE_ALL_ACCESS, 0},
                                       {kUsers, kInstallMask, 0},
                                       {kEveryone, FILE_READ_ATTRIBUTES, INHERITED_ACE}};
  ExpectHandedOver(file_, expected);
  SKIP_UNLESS_FILE_DACLS_ARE_KEPT();
  EXPECT_EQ(ReadDacl(file_).entries, expected);

  // Granting again changes nothing but the mask.
  ASSERT_TRUE(GrantUsersFileAccess(file_, FILE_GENERIC_READ));
  EXPECT_EQ(ReadDacl(file_).entries[2], (Entry{kUsers, FILE_GENERIC_READ, 0}));
  EXPECT_EQ(ReadDacl(file_).entries.size(), 4u);
}

TEST_F(GrantUsersFileAccessTest, AddsUsersAfterExplicitEntries) {
  ASSERT_NO_FATAL_FAILURE(Prepare(file_, {{kAdministrators, FILE_ALL_ACCESS, 0}}));
  ASSERT_TRUE(GrantUsersFileAccess(file_, kInstallMask));
  const std::vector<Entry> expected = {{kAdministrators, FILE_ALL_ACCESS, 0},
                                       {kUsers, kInstallMask, 0}};
  ExpectHandedOver(file_, expected);
  SKIP_UNLESS_FILE_DACLS_ARE_KEPT();
  EXPECT_EQ(ReadDacl(file_).entries, expected);
}

TEST_F(GrantUsersFileAccessTest, NullDaclBecomesTheUsersEntry) {
  ASSERT_NO_FATAL_FAILURE(Prepare(file_, {}, true));
  ASSERT_TRUE(GrantUsersFileAccess(file_, kInstallMask));
  ExpectHandedOver(file_, {{kUsers, kInstallMask, 0}});
  SKIP_UNLESS_FILE_DACLS_ARE_KEPT();
  const Dacl dacl = ReadDacl(file_);
  EXPECT_TRUE(dacl.present);
  EXPECT_FALSE(dacl.null);
  EXPECT_EQ(dacl.entries, (std::vector<Entry>{{kUsers, kInstallMask, 0}}));
}

TEST_F(GrantUsersFileAccessTest, ProtectedDaclStaysProtected) {
  ASSERT_NO_FATAL_FAILURE(Prepare(file_, {{kAdministrators, FILE_ALL_ACCESS, 0}}, false, SE_DACL_PROTECTED));
  ASSERT_TRUE(GrantUsersFileAccess(file_, kInstallMask));
  ExpectHandedOver(file_, {{kAdministrators, FILE_ALL_ACCESS, 0}, {kUsers, kInstallMask, 0}});
  EXPECT_TRUE(seam.handedOver.dacl.control & SE_DACL_PROTECTED);
  SKIP_UNLESS_FILE_DACLS_ARE_KEPT();
  const Dacl dacl = ReadDacl(file_);
  EXPECT_TRUE(dacl.control & SE_DACL_PROTECTED);
  EXPECT_EQ(dacl.entries.size(), 2u);
}

TEST_F(GrantUsersFileAccessTest, AutoInheritedDaclStaysAutoInherited) {
  ASSERT_NO_FATAL_FAILURE(Prepare(
      file_, {{kAdministrators, FILE_ALL_ACCESS, 0}, {kEveryone, FILE_GENERIC_READ, INHERITED_ACE}}, false,
      SE_DACL_AUTO_INHERITED));
  ASSERT_TRUE(GrantUsersFileAccess(file_, kInstallMask));
  const std::vector<Entry> expected = {{kAdministrators, FILE_ALL_ACCESS, 0},
                                       {kUsers, kInstallMask, 0},
                                       {kEveryone, FILE_GENERIC_READ, INHERITED_ACE}};
  ExpectHandedOver(file_, expected);
  EXPECT_TRUE(seam.handedOver.dacl.control & SE_DACL_AUTO_INHERITED);
  EXPECT_FALSE(seam.handedOver.dacl.control & SE_DACL_PROTECTED);
  SKIP_UNLESS_FILE_DACLS_ARE_KEPT();
  const Dacl dacl = ReadDacl(file_);
  EXPECT_TRUE(dacl.control & SE_DACL_AUTO_INHERITED);
  EXPECT_FALSE(dacl.control & SE_DACL_PROTECTED);
  EXPECT_EQ(dacl.entries, expected);
}

TEST_F(GrantUsersFileAccessTest, WorksOnFolders) {
  ASSERT_NO_FATAL_FAILURE(Prepare(folder_, {{kAdministrators, FILE_ALL_ACCESS, 0}}));
  ASSERT_TRUE(GrantUsersFileAccess(folder_, kInstallMask));
  ExpectHandedOver(folder_, {{kAdministrators, FILE_ALL_ACCESS, 0}, {kUsers, kInstallMask, 0}});
  SKIP_UNLESS_FILE_DACLS_ARE_KEPT();
  EXPECT_EQ(ReadDacl(folder_).entries.back(), (Entry{kUsers, kInstallMask, 0}));
}

TEST_F(GrantUsersFileAccessTest, ReadsAndWritesTheFilesDescriptor) {
  // Whatever DACL the file system reports, the grant goes through, the
  // system's own SetFileSecurityW takes it, and the installer can still
  // write the file.
  ASSERT_TRUE(GrantUsersFileAccess(file_, kInstallMask));
  EXPECT_EQ(seam.handedOver.calls, 1);
  EXPECT_EQ(seam.handedOver.path, file_);
  EXPECT_TRUE(seam.handedOver.systemResult);
  ASSERT_FALSE(seam.handedOver.dacl.entries.empty());
  const std::vector<Entry>& entries = seam.handedOver.dacl.entries;
  EXPECT_EQ(std::count(entries.begin(), entries.end(), Entry{kUsers, kInstallMask, 0}), 1);
  ASSERT_TRUE(GrantUsersFileAccess(folder_, kInstallMask));
  UniqueFile file(::CreateFileW(file_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(file);
}

TEST_F(GrantUsersFileAccessTest, FalseForAMissingFile) {
  EXPECT_FALSE(GrantUsersFileAccess(folder_ + L"\\missing.txt", kInstallMask));
}

TEST(InheritedDaclControl, AutoInheritedWinsOverProtected) {
  EXPECT_EQ(InheritedDaclControl(0), 0);
  EXPECT_EQ(InheritedDaclControl(SE_DACL_PRESENT | SE_SELF_RELATIVE), 0);
  EXPECT_EQ(InheritedDaclControl(SE_DACL_PROTECTED), SE_DACL_PROTECTED);
  EXPECT_EQ(InheritedDaclControl(SE_DACL_AUTO_INHERITED), 0x500);
  EXPECT_EQ(InheritedDaclControl(SE_DACL_AUTO_INHERITED | SE_DACL_PROTECTED), 0x500);
}

}  // namespace
}  // namespace qw
