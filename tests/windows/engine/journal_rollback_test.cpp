// Rollback leaves the machine as it was: a folder tree and an uninstall key
// are snapshotted, changed the way an installation changes them, rolled
// back and compared.
#include <gtest/gtest.h>

#include <map>

#include "engine/install_journal.h"
#include "platform/handles.h"
#include "platform_probes.h"
#include "scratch_folder.h"

namespace qw {
namespace {

using test::Exists;
using test::ReadTestFile;
using test::ScratchFolder;
using test::WriteTestFile;

// Every file and folder below `root`: attributes and contents.
using TreeSnapshot = std::map<std::wstring, std::pair<DWORD, std::string>>;

void SnapshotInto(const std::wstring& folder, const std::wstring& relative, TreeSnapshot& snapshot) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    const bool isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    snapshot[relative + name] = {data.dwFileAttributes, isFolder ? std::string() : ReadTestFile(path)};
    if (isFolder) SnapshotInto(path, relative + name + L"\\", snapshot);
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
}

TreeSnapshot SnapshotTree(const std::wstring& root) {
  TreeSnapshot snapshot;
  SnapshotInto(root, L"", snapshot);
  return snapshot;
}

// Every value below a key ("sub\\name" -> type and data); "<none>" when the
// key does not exist.
using KeySnapshot = std::map<std::wstring, std::pair<DWORD, std::string>>;

void SnapshotKeyInto(HKEY key, const std::wstring& relative, KeySnapshot& snapshot) {
  snapshot[relative + L"<key>"] = {0, ""};
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256, type = 0, size = 4096;
    BYTE data[4096];
    if (::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    snapshot[relative + name] = {type, std::string(reinterpret_cast<char*>(data), size)};
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256;
    if (::RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY sub = nullptr;
    if (::RegOpenKeyExW(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
      UniqueRegKey owner(sub);
      SnapshotKeyInto(sub, relative + name + L"\\", snapshot);
    }
  }
}

KeySnapshot SnapshotKey(const UninstallKeyLocation& location) {
  KeySnapshot snapshot;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(location.root, (location.parentPath + L"\\" + location.name).c_str(), 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
    snapshot[L"<none>"] = {0, ""};
    return snapshot;
  }
  UniqueRegKey owner(key);
  SnapshotKeyInto(key, L"", snapshot);
  return snapshot;
}

void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// A test-unique Uninstall key under HKEY_LOCAL_MACHINE, removed afterwards.
struct TestUninstallKey {
  explicit TestUninstallKey(const std::wstring& test)
      : location{HKEY_LOCAL_MACHINE, L"Software\\QwJournalTest\\" + test + L"_" +
                                         std::to_wstring(::GetCurrentProcessId()) + L"\\Uninstall",
                 L"Meridel 6"} {
    HKEY parent = nullptr;
    ::RegCreateKeyExW(location.root, location.parentPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &parent, nullptr);
    ::RegCloseKey(parent);
  }
  ~TestUninstallKey() {
    const std::wstring top = location.parentPath.substr(0, location.parentPath.rfind(L'\\'));
    ::RegDeleteTreeW(location.root, top.c_str());
    // Fails, as it should, while another test's key is still below it.
    ::RegDeleteKeyW(location.root, L"Software\\QwJournalTest");
  }
  void CreateWithValues() const {
    HKEY key = nullptr;
    ::RegCreateKeyExW(location.root, (location.parentPath + L"\\" + location.name).c_str(), 0,
                      nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    SetString(key, L"DisplayName", L"Meridel 6.05");
    SetString(key, L"QwLanguage", L"7");
    HKEY sub = nullptr;
    ::RegCreateKeyExW(key, L"Extra", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
    SetString(sub, L"Kept", L"yes");
    ::RegCloseKey(sub);
    ::RegCloseKey(key);
  }
  UninstallKeyLocation location;
};

// The previous installation: a program, a user's sample, a read-only file
// and its two shortcuts, listed in its uninstall log.
void MakePreviousInstallation(const ScratchFolder& root) {
  WriteTestFile(root / L"App\\Meridel.exe", "old program", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  WriteTestFile(root / L"App\\Samples\\Demo.mrd", "the user's edits");
  WriteTestFile(root / L"App\\readme.txt", "untouched");
  WriteTestFile(root / L"Menu\\Meridel 6.05.lnk", "old program link");
  WriteTestFile(root / L"Desk\\Meridel 6.05.lnk", "old desktop link", FILE_ATTRIBUTE_READONLY);
  const std::wstring text = L"\xFEFF// Uninstall Log File v1\r\n// x\r\n// Install Meridel 6.05\r\n"
                            L"// Install Path : " + root.path() + L"\\App\r\n// Shortcut Path : " +
                            root.path() + L"\\Menu\r\n// -\r\n"
                            L"0000:0101:1 -- " + root.path() + L"\\App\\Meridel.exe\r\n"
                            L"0001:02ff:1 -- " + root.path() + L"\\Menu\\Meridel 6.05.lnk\r\n"
                            L"0002:04ff:1 -- " + root.path() + L"\\Desk\\Meridel 6.05.lnk\r\n";
  WriteTestFile(root / L"App\\Uninstall.ulog",
                std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2));
}

// What an installation does, each change recorded first.
void Install(InstallJournal& journal, const ScratchFolder& root, const UninstallKeyLocation& key) {
  PendingJournalEntry entry = journal.RecordFile(root / L"App\\Meridel.exe", 1, false);
  WriteTestFile(root / L"App\\Meridel.exe", "new program");
  entry.Complete(true);
  entry = journal.RecordFile(root / L"App\\Lang\\Meridel.cs.dll", 0, false);
  WriteTestFile(root / L"App\\Lang\\Meridel.cs.dll", "czech");
  entry.Complete(true);
  entry = journal.RecordFile(root / L"App\\Data\\Deep\\Materials.lib", 4, false);
  WriteTestFile(root / L"App\\Data\\Deep\\Materials.lib", "materials");
  entry.Complete(true);
  journal.RecordFile(root / L"App\\Samples\\Demo.mrd", 3, true).Complete(true);  // kept, copied aside

  entry = journal.RecordShortcut(JournalEntryKind::ProgramShortcut, root / L"Menu");
  WriteTestFile(root / L"Menu\\Meridel 6.07c.lnk", "new program link");
  entry.Complete(true, root / L"Menu\\Meridel 6.07c.lnk");
  // Creating the new desktop shortcut failed.
  journal.RecordShortcut(JournalEntryKind::DesktopShortcut, root / L"Desk").Complete(false);
  entry = journal.RecordShortcut(JournalEntryKind::UninstallShortcut, root / L"NewMenu\\Sub");
  WriteTestFile(root / L"NewMenu\\Sub\\Uninstall Meridel.lnk", "uninstall link");
  entry.Complete(true, root / L"NewMenu\\Sub\\Uninstall Meridel.lnk");

  HKEY parent = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(key.root, key.parentPath.c_str(), 0, KEY_ALL_ACCESS, &parent), ERROR_SUCCESS);
  UniqueRegKey parentOwner(parent);
  HKEY product = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(::RegCreateKeyExW(parent, key.name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &product, &disposition), ERROR_SUCCESS);
  UniqueRegKey productOwner(product);
  entry = journal.RecordUninstallKey(disposition == REG_OPENED_EXISTING_KEY ? product : nullptr);
  SetString(product, L"DisplayName", L"Meridel 6.07c");
  SetString(product, L"UninstallString", root / L"App\\Uninstall.exe");
  HKEY sub = nullptr;
  ::RegCreateKeyExW(product, L"NewSub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
  ::RegCloseKey(sub);
  entry.Complete(true);

  journal.RecordSelfRegistration().Complete(true);
  journal.RecordDirectXSetup().Complete(false, std::wstring(L"DirectX..."));
  entry = journal.RecordFile(root / L"App\\Broken.dll", 1, false);  // the failing write
  WriteTestFile(root / L"App\\Broken.dll", "half");
  entry.Complete(false);
}

std::vector<std::wstring> Backups(const InstallJournal& journal) {
  std::vector<std::wstring> backups;
  for (const JournalEntry& entry : journal.Entries())
    if (!entry.backup.empty()) backups.push_back(entry.backup);
  return backups;
}

// The files and the key as the previous installation left them.
struct Before {
  TreeSnapshot tree;
  KeySnapshot registry;
};

// Makes the previous installation in `root`, then records in `journal` a
// new installation over it; what was there before is given back.
Before InstallOverPrevious(InstallJournal& journal, const ScratchFolder& root, const UninstallKeyLocation& key) {
  MakePreviousInstallation(root);
  Before before{SnapshotTree(root.path()), SnapshotKey(key)};
  journal.LoadPreviousLog(root / L"App\\Uninstall.ulog");
  Install(journal, root, key);
  return before;
}

TEST(JournalRollback, RestoresFilesShortcutsAndRemovesCreatedKey) {
  ScratchFolder root(L"rollback_created_key");
  TestUninstallKey key(L"RollbackCreated");
  InstallJournal journal(key.location);
  const auto [tree, registry] = InstallOverPrevious(journal, root, key.location);
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_FALSE(Exists(root / L"Menu\\Meridel 6.05.lnk"));  // moved aside by the new shortcut
  EXPECT_FALSE(Exists(root / L"Desk\\Meridel 6.05.lnk"));
  const std::vector<std::wstring> backups = Backups(journal);
  EXPECT_EQ(backups.size(), 4u);
  ASSERT_NE(SnapshotTree(root.path()), tree);
  ASSERT_NE(SnapshotKey(key.location), registry);  // program, sample, two shortcuts

  journal.Rollback();
  EXPECT_TRUE(journal.Entries().empty());
  EXPECT_EQ(SnapshotTree(root.path()), tree);
  EXPECT_EQ(SnapshotKey(key.location), registry);
  for (const std::wstring& backup : backups) EXPECT_FALSE(Exists(backup)) << backup;
  EXPECT_TRUE(journal.ReportUnsettledBackups().empty());
}

TEST(JournalRollback, RestoresPreexistingKey) {
  ScratchFolder root(L"rollback_existing_key");
  TestUninstallKey key(L"RollbackExisting");
  key.CreateWithValues();
  InstallJournal journal(key.location);
  const auto [tree, registry] = InstallOverPrevious(journal, root, key.location);
  ASSERT_FALSE(HasFatalFailure());
  std::wstring hive;
  for (const JournalEntry& entry : journal.Entries())
    if (entry.kind == JournalEntryKind::UninstallKey) hive = entry.backup;
  ASSERT_FALSE(hive.empty()) << "the existing key was not saved";
  EXPECT_TRUE(Exists(hive));
  ASSERT_NE(SnapshotKey(key.location), registry) << "the installation changed nothing";

  journal.Rollback();
  EXPECT_EQ(SnapshotTree(root.path()), tree);
  const KeySnapshot after = SnapshotKey(key.location);
  EXPECT_NE(after.count(L"<key>"), 0u) << "the existing key must never be deleted";
  // Whether the key can come back at all is the platform's business: the
  // probe restores a key of its own.
  const test::ProbeResult restore = test::ProbeRegistryRestore();
  if (!restore.works) GTEST_SKIP() << restore.finding;
  EXPECT_EQ(after, registry);
  EXPECT_FALSE(Exists(hive)) << "the saved copy goes once the key is back";
}

TEST(JournalRollback, ExistingKeyThatCannotBeSavedStays) {
  TestUninstallKey key(L"RollbackUnsaved");
  key.CreateWithValues();
  const KeySnapshot registry = SnapshotKey(key.location);
  InstallJournal journal(key.location);
  // A handle that RegSaveKeyW cannot use stands for a key that cannot be saved.
  journal.RecordUninstallKey(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7ff0))).Complete(true);
  EXPECT_TRUE(journal.Entries().back().backup.empty());
  journal.Rollback();
  EXPECT_EQ(SnapshotKey(key.location), registry);
}

TEST(JournalRollback, ExistingFileThatCannotBeSetAsideIsNotDeleted) {
  ScratchFolder root(L"rollback_locked");
  const std::wstring file = root / L"locked.dat";
  WriteTestFile(file, "the user's");
  InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
  {
    // Held open without delete sharing: it can be neither moved nor deleted.
    UniqueFile lock(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    journal.RecordFile(file, 1, false).Complete(false);
  }
  EXPECT_TRUE(journal.Entries().back().backup.empty());
  journal.Rollback();
  EXPECT_EQ(ReadTestFile(file), "the user's");
}

// The one deletion of the uninstall key that rollback, recovery and removal share.
TEST(UninstallKeyRemoval, DeletesTheKeyWithItsSubkeysAndNothingBeside) {
  TestUninstallKey key(L"DeleteKey");
  key.CreateWithValues();
  UninstallKeyLocation neighbour = key.location;
  neighbour.name = L"Other Product";
  HKEY other = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(neighbour.root, (neighbour.parentPath + L"\\" + neighbour.name).c_str(), 0, nullptr,
                              0, KEY_ALL_ACCESS, nullptr, &other, nullptr), ERROR_SUCCESS);
  ::RegCloseKey(other);
  const KeySnapshot neighbourBefore = SnapshotKey(neighbour);

  EXPECT_FALSE(DeleteUninstallKey(key.location));
  EXPECT_EQ(SnapshotKey(key.location).count(L"<none>"), 1u);
  EXPECT_EQ(SnapshotKey(neighbour), neighbourBefore);
  EXPECT_FALSE(DeleteUninstallKey(key.location)) << "a key that is not there is no failure";

  // Without a name the parent, with every product's entry, would go.
  UninstallKeyLocation nameless = key.location;
  nameless.name.clear();
  EXPECT_EQ(DeleteUninstallKey(nameless), std::error_code(ERROR_INVALID_NAME, std::system_category()));
  EXPECT_EQ(SnapshotKey(neighbour), neighbourBefore);
}

}  // namespace
}  // namespace qw
