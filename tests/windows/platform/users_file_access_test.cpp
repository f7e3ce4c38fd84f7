// GrantUsersFileAccess: the new descriptor built from descriptors in memory
// (made and read with the system's own functions), and the whole operation
// on real files of the Wine prefix's drive C:, read back with
// GetFileSecurityW where the file system keeps a file's DACL.

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "platform/handles.h"
#include "platform/security.h"
#include "platform/users_file_access.h"
#include "wine.h"

namespace qw {
namespace {

constexpr DWORD kInstallMask = 0x13019F;

struct Entry {
  std::wstring sid;  // string form, e.g. S-1-5-32-545
  DWORD mask;
  BYTE flags;
  bool operator==(const Entry& o) const { return sid == o.sid && mask == o.mask && flags == o.flags; }
};

void PrintTo(const Entry& e, std::ostream* os) {
  *os << std::string(e.sid.begin(), e.sid.end()) << " mask " << std::hex << e.mask << " flags "
      << int(e.flags);
}

const std::wstring kEveryone = L"S-1-1-0";
const std::wstring kAdministrators = L"S-1-5-32-544";
const std::wstring kUsers = L"S-1-5-32-545";

struct Dacl {
  bool present = false;
  bool null = false;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  std::vector<Entry> entries;
};

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

Dacl DaclOf(PSECURITY_DESCRIPTOR descriptor) {
  Dacl result;
  DWORD revision = 0;
  ::GetSecurityDescriptorControl(descriptor, &result.control, &revision);
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  ::GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted);
  result.present = present != FALSE;
  result.null = present && !acl;
  for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
    void* ace = nullptr;
    ::GetAce(acl, i, &ace);
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    wchar_t* sid = nullptr;
    ::ConvertSidToStringSidW(&allowed->SidStart, &sid);
    const UniqueLocalMemory owner(sid);
    result.entries.push_back({sid ? sid : L"?", allowed->Mask, allowed->Header.AceFlags});
  }
  return result;
}

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
  }
  void TearDown() override {
    ::DeleteFileW(file_.c_str());
    ::RemoveDirectoryW(folder_.c_str());
  }

  // Sets the DACL of `path` and checks that the file system kept it as
  // given. False (the test then ends) when it did not: skipped under Wine,
  // failed elsewhere.
  bool Prepare(const std::wstring& path, const std::vector<Entry>& entries, bool null = false,
               SECURITY_DESCRIPTOR_CONTROL control = 0) {
    EXPECT_TRUE(WriteDacl(path, entries, null, control)) << ::GetLastError();
    const Dacl written = ReadDacl(path);
    if (written.null == null && written.entries == entries &&
        (written.control & control) == control) {
      return true;
    }
    if (test::RunningUnderWine()) {
      [] {
        GTEST_SKIP() << "this Wine keeps no DACL for files: it turns a DACL into Unix mode bits "
                        "and makes one up from them when asked (descriptors kept in extended "
                        "attributes are a wine-staging feature)";
      }();
    } else {
      ADD_FAILURE() << "the file system did not keep the DACL";
    }
    return false;
  }

  std::wstring folder_;
  std::wstring file_;
};

TEST_F(GrantUsersFileAccessTest, ReplacesUsersEntriesBetweenExplicitAndInherited) {
  if (!Prepare(file_, {{kEveryone, FILE_GENERIC_READ, 0},
           {kUsers, FILE_READ_DATA, 0},
           {kAdministrators, FILE_ALL_ACCESS, 0},
           {kUsers, FILE_GENERIC_READ, INHERITED_ACE},
           {kEveryone, FILE_READ_ATTRIBUTES, INHERITED_ACE}})) {
    return;
  }
  ASSERT_TRUE(GrantUsersFileAccess(file_, kInstallMask));
  const std::vector<Entry> expected = {{kEveryone, FILE_GENERIC_READ, 0},
                                       {kAdministrators, FILE_ALL_ACCESS, 0},
                                       {kUsers, kInstallMask, 0},
                                       {kEveryone, FILE_READ_ATTRIBUTES, INHERITED_ACE}};
  EXPECT_EQ(ReadDacl(file_).entries, expected);

  // Granting again changes nothing but the mask.
  ASSERT_TRUE(GrantUsersFileAccess(file_, FILE_GENERIC_READ));
  EXPECT_EQ(ReadDacl(file_).entries[2], (Entry{kUsers, FILE_GENERIC_READ, 0}));
  EXPECT_EQ(ReadDacl(file_).entries.size(), 4u);
}

TEST_F(GrantUsersFileAccessTest, AddsUsersAfterExplicitEntries) {
  if (!Prepare(file_, {{kAdministrators, FILE_ALL_ACCESS, 0}})) return;
  ASSERT_TRUE(GrantUsersFileAccess(file_, kInstallMask));
  const std::vector<Entry> expected = {{kAdministrators, FILE_ALL_ACCESS, 0},
                                       {kUsers, kInstallMask, 0}};
  EXPECT_EQ(ReadDacl(file_).entries, expected);
}

TEST_F(GrantUsersFileAccessTest, NullDaclBecomesTheUsersEntry) {
  if (!Prepare(file_, {}, true)) return;
  ASSERT_TRUE(GrantUsersFileAccess(file_, kInstallMask));
  const Dacl dacl = ReadDacl(file_);
  EXPECT_TRUE(dacl.present);
  EXPECT_FALSE(dacl.null);
  EXPECT_EQ(dacl.entries, (std::vector<Entry>{{kUsers, kInstallMask, 0}}));
}

TEST_F(GrantUsersFileAccessTest, ProtectedDaclStaysProtected) {
  if (!Prepare(file_, {{kAdministrators, FILE_ALL_ACCESS, 0}}, false, SE_DACL_PROTECTED)) return;
  ASSERT_TRUE(GrantUsersFileAccess(file_, kInstallMask));
  const Dacl dacl = ReadDacl(file_);
  EXPECT_TRUE(dacl.control & SE_DACL_PROTECTED);
  EXPECT_EQ(dacl.entries.size(), 2u);
}

TEST_F(GrantUsersFileAccessTest, AutoInheritedDaclStaysAutoInherited) {
  if (!Prepare(file_,
               {{kAdministrators, FILE_ALL_ACCESS, 0}, {kEveryone, FILE_GENERIC_READ, INHERITED_ACE}},
               false, SE_DACL_AUTO_INHERITED)) {
    return;
  }
  ASSERT_TRUE(GrantUsersFileAccess(file_, kInstallMask));
  const Dacl dacl = ReadDacl(file_);
  EXPECT_TRUE(dacl.control & SE_DACL_AUTO_INHERITED);
  EXPECT_FALSE(dacl.control & SE_DACL_PROTECTED);
  const std::vector<Entry> expected = {{kAdministrators, FILE_ALL_ACCESS, 0},
                                       {kUsers, kInstallMask, 0},
                                       {kEveryone, FILE_GENERIC_READ, INHERITED_ACE}};
  EXPECT_EQ(dacl.entries, expected);
}

TEST_F(GrantUsersFileAccessTest, WorksOnFolders) {
  if (!Prepare(folder_, {{kAdministrators, FILE_ALL_ACCESS, 0}})) return;
  ASSERT_TRUE(GrantUsersFileAccess(folder_, kInstallMask));
  EXPECT_EQ(ReadDacl(folder_).entries.back(), (Entry{kUsers, kInstallMask, 0}));
}

TEST_F(GrantUsersFileAccessTest, ReadsAndWritesTheFilesDescriptor) {
  // Whatever DACL the file system reports, the grant goes through and the
  // installer can still write the file.
  ASSERT_TRUE(GrantUsersFileAccess(file_, kInstallMask));
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
