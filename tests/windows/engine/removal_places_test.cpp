// What the uninstaller's checks accept and refuse, on scratch folders that
// stand in for the product's places: each kind only in its own folders,
// the product's shortcuts only, paths only in the system's own form, and a
// deletion that does not follow a folder swapped for a link.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstdio>

#include "child_process.h"
#include "engine/file_removal.h"
#include "engine/removal_error.h"
#include "engine/removal_path.h"
#include "engine/removal_places.h"
#include "engine/removal_sequence.h"
#include "platform/handles.h"
#include "scratch_folder.h"
#include "wine.h"
#include "tests/common/journal_entries.h"

namespace qw {
namespace {

using test::Exists;
using test::ScratchFolder;
using test::WriteTestFile;

using test::DoneEntry;
JournalEntry File(const std::wstring& path, std::int32_t kind) { return DoneEntry(JournalEntryKind::File, path, kind); }
JournalEntry Folder(const std::wstring& path) { return DoneEntry(JournalEntryKind::Folder, path); }

class RemovalPlacesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    places_ = RemovalPlaces::SystemFoldersOnly();
    places_.installFolder = install_;
    places_.dataFolders = {{3, libraries_}, {4, samples_}};
    places_.shortcutFolders = {menu_};
    places_.shortcutNames = {L"Meridel 6.07c.lnk", L"Uninstall Meridel.lnk"};
    places_.destinations = {install_, libraries_, samples_, menu_};
    for (const auto* folder : {&install_, &libraries_, &samples_, &menu_})
      WriteTestFile(*folder + L"\\placeholder", "x");
  }

  std::error_code Check(const JournalEntry& entry) const { return CheckRemovable(entry, places_); }

  ScratchFolder scratch_{L"places"};
  std::wstring install_ = scratch_ / L"Programs\\Meridel 6";
  std::wstring libraries_ = scratch_ / L"Data\\Quillon Works\\Meridel 6";
  std::wstring samples_ = scratch_ / L"Desktop\\Meridel Examples";
  std::wstring menu_ = scratch_ / L"Menu\\Meridel 6";
  RemovalPlaces places_;
};

TEST_F(RemovalPlacesTest, EachKindOnlyInItsOwnFolders) {
  EXPECT_FALSE(Check(File(install_ + L"\\Meridel.exe", 1)));
  EXPECT_FALSE(Check(File(install_ + L"\\Lang\\Meridel.de.dll", 0)));
  EXPECT_FALSE(Check(File(libraries_ + L"\\Doors.mr-lib", 3)));
  EXPECT_FALSE(Check(File(samples_ + L"\\House.mr-proj", 4)));
  // The right folder for another kind, or no folder of the product at all.
  EXPECT_EQ(Check(File(libraries_ + L"\\Doors.mr-lib", 0)), removal_errc::not_its_place);
  // The installation folder is the product's own, for every kind.
  EXPECT_FALSE(Check(File(install_ + L"\\Samples\\Garden.proj", 4)));
  EXPECT_EQ(Check(File(libraries_ + L"\\House.mr-proj", 4)), removal_errc::not_its_place);
  EXPECT_EQ(Check(File(scratch_ / L"Data\\Quillon Works\\other.dll", 3)), removal_errc::not_its_place);
  EXPECT_EQ(Check(File(scratch_ / L"Programs\\Other Vendor\\other.exe", 1)), removal_errc::not_its_place);
  // The folders themselves are no place for a file.
  EXPECT_EQ(Check(File(install_, 0)), removal_errc::not_its_place);
  EXPECT_EQ(Check(File(install_ + L"\\Setup.tmp", 5)), removal_errc::not_recorded_kind);
}

TEST_F(RemovalPlacesTest, FoldersOnlyOnTheWayToThePlacesAndNeverAroundASystemFolder) {
  EXPECT_FALSE(Check(Folder(install_)));
  EXPECT_FALSE(Check(Folder(scratch_ / L"Programs")));
  EXPECT_FALSE(Check(Folder(install_ + L"\\Plugins")));  // an older version's subfolder
  EXPECT_FALSE(Check(Folder(scratch_ / L"Data\\Quillon Works")));
  EXPECT_EQ(Check(Folder(scratch_ / L"Elsewhere")), removal_errc::outside_installation);
  EXPECT_EQ(Check(Folder(libraries_ + L"\\Sub")), removal_errc::outside_installation);
  // The temporary folder and the profile hold the scratch folders, but are
  // the system's own.
  for (const std::wstring& known : places_.knownFolders) {
    const std::error_code why = Check(Folder(known));
    EXPECT_TRUE(why == removal_errc::protected_folder || why == removal_errc::system_folder) << known;
  }
  wchar_t profile[MAX_PATH] = {};
  ASSERT_GT(::GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH), 0u);
  const std::wstring users(profile, std::wstring(profile).find_last_of(L'\\'));
  EXPECT_EQ(Check(Folder(users)), removal_errc::protected_folder) << users;
}

TEST_F(RemovalPlacesTest, OnlyTheProductsShortcutsInAShortcutFolder) {
  for (auto kind : {JournalEntryKind::ProgramShortcut, JournalEntryKind::UninstallShortcut,
                    JournalEntryKind::DesktopShortcut}) {
    EXPECT_FALSE(Check(DoneEntry(kind, menu_ + L"\\Meridel 6.07c.lnk")));
    EXPECT_FALSE(Check(DoneEntry(kind, menu_ + L"\\uninstall meridel.LNK")));
    EXPECT_EQ(Check(DoneEntry(kind, menu_ + L"\\Other.lnk")), removal_errc::not_a_shortcut);
    EXPECT_EQ(Check(DoneEntry(kind, menu_ + L"\\Meridel 6.07c.exe")), removal_errc::not_a_shortcut);
    EXPECT_EQ(Check(DoneEntry(kind, libraries_ + L"\\Doors.mr-lib")), removal_errc::not_a_shortcut);
    EXPECT_EQ(Check(DoneEntry(kind, install_ + L"\\Meridel 6.07c.lnk")), removal_errc::not_a_shortcut);
    EXPECT_EQ(Check(DoneEntry(kind, menu_ + L"\\Sub\\Meridel 6.07c.lnk")), removal_errc::not_a_shortcut);
  }
}

TEST_F(RemovalPlacesTest, PathsInAnotherFormThanTheSystemsAreRefused) {
  const std::wstring file = install_ + L"\\Meridel.exe";
  WriteTestFile(file, "x");
  EXPECT_FALSE(Check(File(file, 1)));
  EXPECT_EQ(Check(File(install_ + L".\\Meridel.exe", 1)), removal_errc::other_form);
  EXPECT_EQ(Check(File(file + L" ", 1)), removal_errc::other_form);
  EXPECT_EQ(Check(File(file + L"::$DATA", 1)), removal_errc::other_form);
  EXPECT_EQ(Check(File(file + L":stream", 1)), removal_errc::other_form);
  EXPECT_EQ(Check(File(install_ + L"\\CON", 0)), removal_errc::other_form);
  EXPECT_EQ(Check(File(install_ + L"\\nul.txt", 0)), removal_errc::other_form);
  EXPECT_EQ(Check(File(install_ + L"\\a*.dll", 0)), removal_errc::other_form);
  EXPECT_EQ(Check(File(L"\\\\?\\" + file, 1)), removal_errc::relative_path);
  EXPECT_EQ(Check(File(L"\\\\.\\" + file, 1)), removal_errc::relative_path);
  EXPECT_EQ(Check(File(install_ + L"/Meridel.exe", 1)), removal_errc::other_form);
  for (const wchar_t* element : {L"...", L". ", L" .", L".."})
    EXPECT_EQ(Check(File(install_ + L"\\" + element + L"\\Meridel.exe", 1)), removal_errc::dot_element) << element;

  // A short name reaches the same file as its long name.
  wchar_t shortName[MAX_PATH] = {};
  const DWORD length = ::GetShortPathNameW(file.c_str(), shortName, MAX_PATH);
  if (length == 0 || length >= MAX_PATH || std::wstring(shortName) == file) {
    std::printf("The platform gives no short name for %ls; the short-name case is not shown here.\n",
                file.c_str());
  } else {
    EXPECT_EQ(Check(File(shortName, 1)), removal_errc::other_form) << shortName;
  }
}

TEST_F(RemovalPlacesTest, AProductsPlacesComeFromItsDestinationsNotFromTheLog) {
  ProductPlaceFacts facts;
  facts.installFolder = install_;
  facts.startMenuFolder = scratch_ / L"NotAStartMenu";  // not inside a programs folder
  const PayloadDestination destinations[] = {{3, L"<CommonData>\\Quillon Works\\Meridel 6"},
                                              {4, L"<SamplePath>"},
                                              {0, L"<InstallPath>\\Lang"},
                                              {5, L"<Temporary>"}};
  facts.destinations.assign(std::begin(destinations), std::end(destinations));
  facts.samplesFolderNames = {L"Meridel Examples", L"Exemples Meridel"};
  facts.shortcutNames = {L"Meridel 6.07c.lnk"};
  const RemovalPlaces places = RemovalPlaces::ForProduct(facts);
  EXPECT_EQ(places.installFolder, install_);
  wchar_t commonData[MAX_PATH] = {}, desktop[MAX_PATH] = {};
  ASSERT_EQ(::SHGetFolderPathW(nullptr, 0x23, nullptr, 0, commonData), S_OK);
  ASSERT_EQ(::SHGetFolderPathW(nullptr, 0x19, nullptr, 0, desktop), S_OK);
  ASSERT_EQ(places.dataFolders.size(), 3u);  // one kind-3 folder, the samples folder in two languages
  EXPECT_EQ(places.dataFolders[0].kind, 3);
  EXPECT_TRUE(IsSamePath(places.dataFolders[0].folder, std::wstring(commonData) + L"\\Quillon Works\\Meridel 6"));
  EXPECT_EQ(places.dataFolders[1].kind, 4);
  EXPECT_TRUE(IsSamePath(places.dataFolders[1].folder, std::wstring(desktop) + L"\\Meridel Examples"));
  EXPECT_TRUE(IsSamePath(places.dataFolders[2].folder, std::wstring(desktop) + L"\\Exemples Meridel"));
  // The desktops only: the log's start-menu folder is no Start-menu folder.
  EXPECT_EQ(places.shortcutFolders.size(), 2u);
}

// A folder of the installation swapped for a link to another folder that
// holds a file of the same name: the deletion through the handle sees where
// it leads and leaves that file alone.
TEST_F(RemovalPlacesTest, AFolderSwappedForALinkIsNotFollowed) {
  const std::wstring lang = install_ + L"\\Lang";
  const std::wstring elsewhere = scratch_ / L"Elsewhere";
  WriteTestFile(lang + L"\\Meridel.de.dll", "installed");
  WriteTestFile(elsewhere + L"\\Meridel.de.dll", "someone else's");
  ASSERT_TRUE(::MoveFileW(lang.c_str(), (lang + L".old").c_str()));
  // The link goes before the scratch folder is emptied: emptying it would
  // follow the link.
  struct LinkRemover {
    std::wstring link;
    ~LinkRemover() { test::RemoveUnixLink(link); }
  } linkRemover{lang};
  // Under Wine a Unix symbolic link to a folder acts as a junction does.
  ASSERT_TRUE(test::MakeUnixFolderLink(elsewhere, lang)) << "ln could not make the link";
  ASSERT_TRUE(Exists(lang + L"\\Meridel.de.dll"));
  UniqueFile probe(::CreateFileW((lang + L"\\Meridel.de.dll").c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                 nullptr));
  wchar_t final[1024] = {};
  ::GetFinalPathNameByHandleW(probe.get(), final, 1024, 0);
  probe.reset();
  std::printf("Through the link, the system names the file %ls\n", final);
  if (IsSamePath(std::wstring(final).substr(4), lang + L"\\Meridel.de.dll")) {
    GTEST_SKIP() << "the platform names a file behind the link by the link's path: a swap cannot be seen";
  }

  // Swapped before the removal reached it: the check refuses it.
  RemovalRequest request;
  request.places = places_;
  request.entries = {File(lang + L"\\Meridel.de.dll", 0)};
  const RemovalReport report = RemoveInstallation(request);
  EXPECT_EQ(test::ReadTestFile(elsewhere + L"\\Meridel.de.dll"), "someone else's");
  ASSERT_EQ(report.refused.size() + report.failed.size(), 1u);
  EXPECT_TRUE(report.atRestart.empty());
  // Swapped between the check and the deletion: the handle shows where it
  // leads, and neither the file behind the link nor the link goes.
  EXPECT_EQ(DeleteThroughHandle(lang + L"\\Meridel.de.dll", false), removal_errc::moved);
  EXPECT_EQ(test::ReadTestFile(elsewhere + L"\\Meridel.de.dll"), "someone else's");
  const std::error_code folder = DeleteThroughHandle(lang, true);
  EXPECT_TRUE(folder == removal_errc::moved || folder == removal_errc::reparse_point) << folder.message();
  EXPECT_TRUE(Exists(elsewhere + L"\\Meridel.de.dll"));
}

TEST_F(RemovalPlacesTest, AFileWithTwoNamesLosesOnlyThisNameAndKeepsItsAttributes) {
  const std::wstring file = install_ + L"\\Meridel.dat";
  const std::wstring other = scratch_ / L"other-name.dat";
  WriteTestFile(file, "shared");
  ASSERT_TRUE(::CreateHardLinkW(other.c_str(), file.c_str(), nullptr)) << ::GetLastError();
  ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_FALSE(DeleteThroughHandle(file, false));
  EXPECT_FALSE(Exists(file));
  EXPECT_EQ(test::ReadTestFile(other), "shared");
  EXPECT_EQ(::GetFileAttributesW(other.c_str()) & FILE_ATTRIBUTE_HIDDEN, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));

  // Read-only: clearing the attribute would make the other name writable,
  // so this name stays and says why.
  WriteTestFile(file, "again");
  ASSERT_TRUE(::CreateHardLinkW((other + L"2").c_str(), file.c_str(), nullptr));
  ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(DeleteThroughHandle(file, false));
  EXPECT_NE(::GetFileAttributesW((other + L"2").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(RemovalPlacesTest, AFileInUseOutsideTheInstallationFolderIsNotLeftToTheRestart) {
  const std::wstring library = libraries_ + L"\\Doors.mr-lib";
  WriteTestFile(library, "x");
  UniqueFile holder(::CreateFileW(library.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder.valid());
  RemovalRequest request;
  request.places = places_;
  request.entries = {File(library, 3)};
  request.removeUserData = true;
  request.attempts = 2;
  request.pause = [](unsigned) {};
  const RemovalReport report = RemoveInstallation(request);
  EXPECT_TRUE(report.atRestart.empty());
  ASSERT_EQ(report.failed.size(), 1u);
  EXPECT_EQ(report.failed[0].why, removal_errc::restart_outside);
  EXPECT_TRUE(Exists(library));
}

}  // namespace
}  // namespace qw
