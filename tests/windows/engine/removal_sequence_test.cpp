// The removal sequence on a scratch folder and scratch keys, with logs
// written here: what it removes, what it keeps and says it kept, and what
// it refuses to touch.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include "engine/removal_error.h"
#include "engine/removal_sequence.h"
#include "platform/handles.h"
#include "child_process.h"
#include "scratch_folder.h"
#include "tests/common/journal_entries.h"

namespace qw {
namespace {

using test::DoneEntry;
using test::Exists;
using test::ScratchFolder;
using test::WriteTestFile;

// Its own key per test process: CTest runs these tests side by side.
const std::wstring kTestRoot = test::UniqueName(L"Software\\QwRemovalTest");

JournalEntry Folder(const std::wstring& path) { return DoneEntry(JournalEntryKind::Folder, path); }
JournalEntry File(const std::wstring& path, std::int32_t kind) { return DoneEntry(JournalEntryKind::File, path, kind); }

bool KeyExists(const std::wstring& path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

bool ValueExists(const std::wstring& keyPath, const std::wstring& name) {
  return ::SHGetValueW(HKEY_CURRENT_USER, keyPath.c_str(), name.c_str(), nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

void SetString(const std::wstring& keyPath, const std::wstring& name, const std::wstring& value) {
  ASSERT_EQ(::SHSetValueW(HKEY_CURRENT_USER, keyPath.c_str(), name.c_str(), REG_SZ, value.c_str(),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

class RemovalSequence : public ::testing::Test {
 protected:
  void SetUp() override {
    ::SHDeleteKeyW(HKEY_CURRENT_USER, kTestRoot.c_str());
    install_ = scratch_ / L"Program\\Meridel 6";
    data_ = scratch_ / L"Data\\Meridel 6";
    // Scratch folders stand in for the places of the product.
    request_.places = RemovalPlaces::SystemFoldersOnly();
    request_.places.installFolder = install_;
    request_.places.dataFolders = {{3, data_}, {4, data_}};
    request_.places.shortcutFolders = {shortcuts_};
    request_.places.shortcutNames = {L"Meridel 6.07c.lnk"};
    request_.places.destinations = {install_, data_, shortcuts_};
    request_.uninstallerPath = install_ + L"\\Uninstall.exe";
    request_.uninstallKey.root = HKEY_CURRENT_USER;
    request_.uninstallKey.parentPath = std::wstring(kTestRoot) + L"\\Uninstall";
    request_.uninstallKey.name = L"Meridel 6";
    request_.productPath.root = HKEY_CURRENT_USER;
    request_.productPath.makerKey = std::wstring(kTestRoot) + L"\\Quillon Works";
    request_.productPath.valueName = L"Meridel 6 Path";
    request_.pause = [this](unsigned) { ++pauses_; };
  }
  void TearDown() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, kTestRoot.c_str()); }

  // A first installation's entries: its folders, files of kinds 0 to 4, a
  // shortcut and the uninstall key.
  void Install() {
    const std::wstring& shortcuts = shortcuts_;
    request_.entries = {Folder(scratch_ / L"Program"), Folder(install_),
                        File(install_ + L"\\Uninstall.exe", 2), Folder(install_ + L"\\Lang"),
                        File(install_ + L"\\Lang\\Meridel.en.dll", 0), File(install_ + L"\\Meridel.exe", 1),
                        Folder(scratch_ / L"Data"), Folder(data_), File(data_ + L"\\Doors.mr-lib", 3),
                        File(data_ + L"\\Oak.jpg", 4), Folder(scratch_ / L"Menu"), Folder(shortcuts),
                        DoneEntry(JournalEntryKind::ProgramShortcut, shortcuts + L"\\Meridel 6.07c.lnk"),
                        DoneEntry(JournalEntryKind::UninstallKey, L""),
                        DoneEntry(JournalEntryKind::SelfRegistration, L"")};
    for (const JournalEntry& entry : request_.entries) {
      if (entry.kind == JournalEntryKind::Folder) ::CreateDirectoryW(entry.path.c_str(), nullptr);
    }
    for (const JournalEntry& entry : request_.entries) {
      if (entry.kind == JournalEntryKind::File || entry.kind == JournalEntryKind::ProgramShortcut)
        WriteTestFile(entry.path, "x");
    }
    ::SetFileAttributesW((install_ + L"\\Meridel.exe").c_str(), FILE_ATTRIBUTE_READONLY);
    request_.logPath = install_ + L"\\Uninstall.ulog";
    WriteTestFile(request_.logPath, "log", FILE_ATTRIBUTE_READONLY);
    SetString(request_.uninstallKey.parentPath + L"\\Meridel 6", L"DisplayName", L"Meridel 6.07c");
    SetString(request_.uninstallKey.parentPath + L"\\Meridel 6", L"UninstallString", request_.uninstallerPath);
    SetString(request_.uninstallKey.parentPath + L"\\Meridel 6\\Sub", L"Value", L"1");
    SetString(request_.productPath.makerKey, L"Meridel 6 Path", install_ + L"\\Meridel.exe");
  }

  ScratchFolder scratch_{L"removal"};
  std::wstring shortcuts_ = scratch_ / L"Menu\\Meridel 6";
  std::wstring install_;
  std::wstring data_;
  RemovalRequest request_;
  int pauses_ = 0;
};

TEST_F(RemovalSequence, RemovesEverythingButUserDataAndSaysWhatItKept) {
  Install();
  const RemovalReport report = RemoveInstallation(request_);
  EXPECT_TRUE(report.Complete());
  EXPECT_TRUE(report.refused.empty());
  EXPECT_FALSE(Exists(install_));
  EXPECT_FALSE(Exists(scratch_ / L"Program"));
  EXPECT_FALSE(Exists(scratch_ / L"Menu"));
  EXPECT_FALSE(Exists(data_ + L"\\Oak.jpg"));
  // Kind 3 stays, and so do the folders it is in: that is not a failure.
  EXPECT_TRUE(Exists(data_ + L"\\Doors.mr-lib"));
  ASSERT_EQ(report.keptUserData.size(), 1u);
  EXPECT_EQ(report.keptUserData[0], data_ + L"\\Doors.mr-lib");
  EXPECT_TRUE(report.keptFolders.empty());
  EXPECT_EQ(report.userDataFolders, (std::vector<std::wstring>{data_, scratch_ / L"Data"}));
  EXPECT_TRUE(report.logDeleted);
  EXPECT_FALSE(KeyExists(request_.uninstallKey.parentPath + L"\\Meridel 6"));
  EXPECT_TRUE(KeyExists(request_.uninstallKey.parentPath));
  EXPECT_FALSE(KeyExists(request_.productPath.makerKey));
  EXPECT_TRUE(Exists(scratch_.path()));
}

TEST_F(RemovalSequence, RemovesUserDataWhenAsked) {
  Install();
  request_.removeUserData = true;
  const RemovalReport report = RemoveInstallation(request_);
  EXPECT_TRUE(report.Complete());
  EXPECT_TRUE(report.keptUserData.empty());
  EXPECT_TRUE(report.keptFolders.empty());
  EXPECT_FALSE(Exists(scratch_ / L"Data"));
}

TEST_F(RemovalSequence, AFolderWithTheUsersFileStaysWithTheFile) {
  Install();
  WriteTestFile(install_ + L"\\Lang\\notes.txt", "mine");
  const RemovalReport report = RemoveInstallation(request_);
  EXPECT_TRUE(Exists(install_ + L"\\Lang\\notes.txt"));
  EXPECT_FALSE(Exists(install_ + L"\\Lang\\Meridel.en.dll"));
  EXPECT_FALSE(Exists(install_ + L"\\Meridel.exe"));
  EXPECT_FALSE(report.Complete());
  EXPECT_EQ(report.keptFolders,
            (std::vector<std::wstring>{install_ + L"\\Lang", install_, scratch_ / L"Program"}));
}

TEST_F(RemovalSequence, RefusesWhatNoInstallationMakesAndLeavesItAlone) {
  Install();
  wchar_t windows[MAX_PATH];
  ASSERT_GT(::GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  const std::wstring winIni = std::wstring(windows) + L"\\win.ini";
  // Beside the scratch folder, in the temporary folder: in no place of the
  // installation.
  const std::wstring outside = scratch_.path() + L"_outside.txt";
  WriteTestFile(outside, "x");
  const bool hadWinIni = Exists(winIni);
  if (!hadWinIni) WriteTestFile(winIni, "[windows]");
  request_.entries.push_back(File(winIni, 0));
  request_.entries.push_back(File(outside, 0));
  request_.entries.push_back(File(install_ + L"\\..\\..\\outside.txt", 0));
  request_.entries.push_back(File(L"Meridel.exe", 1));
  request_.entries.push_back(Folder(L"C:\\"));
  request_.entries.push_back(Folder(windows));
  request_.entries.push_back(File(install_ + L"\\Meridel.exe", 5));
  const RemovalReport report = RemoveInstallation(request_);

  EXPECT_TRUE(Exists(winIni));
  EXPECT_TRUE(Exists(outside));
  ASSERT_EQ(report.refused.size(), 7u);
  // Newest first.
  EXPECT_EQ(report.refused[0].why, removal_errc::not_recorded_kind);
  EXPECT_EQ(report.refused[1].why, removal_errc::system_folder);
  EXPECT_EQ(report.refused[2].why, removal_errc::drive_root);
  EXPECT_EQ(report.refused[3].why, removal_errc::relative_path);
  EXPECT_EQ(report.refused[4].why, removal_errc::dot_element);
  EXPECT_EQ(report.refused[5].why, removal_errc::not_its_place);
  EXPECT_EQ(report.refused[5].path, outside);
  EXPECT_EQ(report.refused[6].why, removal_errc::system_folder);
  EXPECT_EQ(report.refused[6].path, winIni);
  // The entries it could trust went all the same.
  EXPECT_FALSE(Exists(install_ + L"\\Meridel.exe"));
  if (!hadWinIni) ::DeleteFileW(winIni.c_str());
  ::DeleteFileW(outside.c_str());
}

// Windows drops trailing dots and blanks from a name, so an element made
// only of dots and blanks ("...", ". ", " .") can reach the folder itself or
// its parent however the log spells it: such entries are refused like "..",
// and nothing they might reach is touched.
TEST_F(RemovalSequence, RefusesElementsMadeOnlyOfDotsAndBlanks) {
  Install();
  const std::wstring program = install_ + L"\\Meridel.exe";
  const std::wstring library = install_ + L"\\Lang\\Meridel.en.dll";
  const std::vector<JournalEntry> hostile{
      File(install_ + L"\\...\\Meridel.exe", 1),
      File(install_ + L"\\. \\Meridel.exe", 1),
      File(install_ + L"\\Lang\\ .\\Meridel.en.dll", 0),
      File(install_ + L"\\Lang\\.. \\Meridel.exe", 1),
      File(install_ + L"\\ \\Meridel.exe", 1),
      File(install_ + L"\\Lang\\...", 0),
      Folder(install_ + L"\\. "),
      Folder(install_ + L"\\Lang\\ ."),
      DoneEntry(JournalEntryKind::ProgramShortcut, scratch_ / L"Menu\\...\\Meridel 6\\Meridel 6.07c.lnk"),
  };
  for (const JournalEntry& entry : hostile) {
    std::string shown;
    for (wchar_t c : entry.path) shown += c < 128 ? static_cast<char>(c) : '?';
    EXPECT_TRUE(CheckRemovable(entry, request_.places)) << "not refused: \"" << shown << "\"";
  }
  request_.entries.assign(hostile.begin(), hostile.end());
  const RemovalReport report = RemoveInstallation(request_);
  ASSERT_EQ(report.refused.size(), hostile.size());
  for (std::size_t i = 0; i < hostile.size(); ++i) {
    EXPECT_EQ(report.refused[i].path, hostile[hostile.size() - 1 - i].path) << "newest first";
  }
  EXPECT_TRUE(Exists(program));
  EXPECT_TRUE(Exists(library));
  EXPECT_TRUE(Exists(install_ + L"\\Lang"));
  EXPECT_TRUE(Exists(scratch_ / L"Menu\\Meridel 6\\Meridel 6.07c.lnk"));
  EXPECT_FALSE(report.Complete());
}

TEST_F(RemovalSequence, TheSystemsOwnFoldersAreRefused) {
  RemovalPlaces places = RemovalPlaces::SystemFoldersOnly();
  ASSERT_FALSE(places.knownFolders.empty());
  for (const std::wstring& folder : places.knownFolders) {
    const std::error_code why = CheckRemovable(Folder(folder), places);
    EXPECT_TRUE(why == removal_errc::protected_folder || why == removal_errc::system_folder) << why.message();
  }
  // An uninstaller in the Windows folder or a start-menu folder at a drive
  // root grants nothing.
  wchar_t windows[MAX_PATH];
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  ProductPlaceFacts facts;
  facts.installFolder = windows;
  facts.startMenuFolder = L"C:\\";
  places = RemovalPlaces::ForProduct(facts);
  EXPECT_TRUE(places.installFolder.empty());
  EXPECT_TRUE(places.destinations.empty());
  EXPECT_EQ(places.shortcutFolders.size(), 2u);  // the two desktops only
}

TEST_F(RemovalSequence, AFileInUseIsRetriedThenLeftToTheRestartAndTheRestGoes) {
  Install();
  const std::wstring locked = install_ + L"\\Lang\\Meridel.en.dll";
  UniqueFile holder(::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder.valid());
  request_.attempts = 3;
  const RemovalReport report = RemoveInstallation(request_);
  EXPECT_EQ(pauses_, 2);
  EXPECT_EQ(report.atRestart, std::vector<std::wstring>{locked});
  EXPECT_TRUE(report.failed.empty());
  EXPECT_FALSE(Exists(install_ + L"\\Meridel.exe"));
  EXPECT_FALSE(Exists(install_ + L"\\Uninstall.exe"));
  EXPECT_FALSE(report.Complete());
  holder.reset();
  ::DeleteFileW(locked.c_str());
}

TEST_F(RemovalSequence, TheMakersKeyStaysWhileItHoldsSomethingElse) {
  Install();
  SetString(request_.productPath.makerKey, L"Other 2 Path", L"C:\\Other\\Other.exe");
  RemoveInstallation(request_);
  EXPECT_FALSE(ValueExists(request_.productPath.makerKey, L"Meridel 6 Path"));
  EXPECT_TRUE(ValueExists(request_.productPath.makerKey, L"Other 2 Path"));
}

TEST_F(RemovalSequence, UnregistersThroughTheInstalledProgramBeforeItGoes) {
  Install();
  std::vector<std::wstring> runs;
  bool programThere = false;
  request_.unregister = [&](const std::wstring& program) {
    runs.push_back(program);
    programThere = Exists(program);
    return std::make_error_code(std::errc::io_error);
  };
  const RemovalReport report = RemoveInstallation(request_);
  EXPECT_EQ(runs, std::vector<std::wstring>{install_ + L"\\Meridel.exe"});
  EXPECT_TRUE(programThere);
  EXPECT_TRUE(report.unregisterFailed);
}

TEST_F(RemovalSequence, NoUnregistrationWhenTheRegistrationFailed) {
  Install();
  request_.entries.back().done = false;
  int runs = 0;
  request_.unregister = [&](const std::wstring&) { return ++runs, std::error_code(); };
  const RemovalReport report = RemoveInstallation(request_);
  EXPECT_EQ(runs, 0);
  EXPECT_FALSE(report.unregisterFailed);
}

TEST_F(RemovalSequence, DeferredFilesStayAndTheirFoldersAreNamed) {
  Install();
  request_.deferredFiles = {install_ + L"\\Uninstall.exe"};
  const RemovalReport report = RemoveInstallation(request_);
  EXPECT_TRUE(report.Complete());
  EXPECT_TRUE(Exists(install_ + L"\\Uninstall.exe"));
  EXPECT_FALSE(Exists(request_.logPath));
  EXPECT_EQ(report.deferredFiles, request_.deferredFiles);
  EXPECT_EQ(report.deferredFolders, (std::vector<std::wstring>{install_, scratch_ / L"Program"}));
}

TEST_F(RemovalSequence, DirectXIsNeverUndoneButReported) {
  request_.entries = {DoneEntry(JournalEntryKind::DirectXSetup, L"Mise à jour de DirectX...")};
  const RemovalReport report = RemoveInstallation(request_);
  EXPECT_TRUE(report.directXKept);
  EXPECT_TRUE(report.Complete());
}

TEST_F(RemovalSequence, TellsItsProgressNewestFirst) {
  Install();
  struct Recorder : RemovalProgress {
    std::vector<std::wstring> paths;
    void Removing(const std::wstring& what, std::size_t step, std::size_t steps) override {
      EXPECT_LT(step, steps);
      paths.push_back(what);
    }
  } recorder;
  request_.progress = &recorder;
  RemoveInstallation(request_);
  ASSERT_EQ(recorder.paths.size(), request_.entries.size());
  EXPECT_EQ(recorder.paths.back(), scratch_ / L"Program");
  EXPECT_EQ(recorder.paths.front(), L"");
}

}  // namespace
}  // namespace qw
