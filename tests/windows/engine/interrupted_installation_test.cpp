// Installations cut off from outside (TerminateProcess, as the task manager
// or a power loss would end them) at each step of a real installation of
// the shipped payload, then the installer started again: it says it undid
// the interrupted installation, shows the Start page of a machine without
// the product, and the prefix's files and Software keys equal the snapshot
// taken before the first run (the DirectX stand-in's files in the system
// folder apart, once its step had run: a shared runtime is never undone).
//
// Where to stop is found by reading the run record as it grows: the
// installer writes and flushes each line before the change it announces,
// so the record is exactly what a kill leaves, and the shipped program
// needs no hook for the test. The kill follows the line it waits for within
// a few milliseconds: the point is "at or just after" the step.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "engine/run_record_format.h"
#include "install_robot.h"
#include "payload/payload_kind.h"
#include "scratch_folder.h"
#include "wizard_expectations.h"

namespace qw::test {
namespace {

constexpr wchar_t kProduct[] = L"Meridel 6.07c";

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

std::string OneALine(const std::vector<std::wstring>& lines) {
  std::string all;
  for (const std::wstring& line : lines) all += Narrow(line) + "\n";
  return all;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring RecordFolder() { return SpecialFolderPath(CSIDL_COMMON_APPDATA) + L"\\Meridel 6 Recovery"; }
std::wstring InstallationRecordPath() { return RecordFolder() + L"\\Installation.qwrec"; }

// The record as it is now (without byte order mark); empty when there is none.
std::wstring ReadRecordText(const std::wstring& path) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::wstring text(::GetFileSize(file.get(), nullptr) / sizeof(wchar_t), L'\0');
  DWORD read = 0;
  if (!::ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr)) return {};
  text.resize(read / sizeof(wchar_t));
  if (!text.empty() && text[0] == L'\xFEFF') text.erase(0, 1);
  return text;
}

void WriteRecord(const std::wstring& text) {
  ASSERT_TRUE(::CreateDirectoryW(RecordFolder().c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
  UniqueFile file(::CreateFileW(InstallationRecordPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(file.valid());
  const std::wstring all = L"\xFEFF" + text;
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(file.get(), all.data(), static_cast<DWORD>(all.size() * sizeof(wchar_t)), &written, nullptr));
}

std::size_t Count(const RecordedInstallation& record, JournalEntryKind kind, bool completed) {
  std::size_t count = 0;
  for (const RecordedEntry& entry : record.entries)
    count += entry.entry.kind == kind && (!completed || entry.completed);
  return count;
}

bool HasCompleted(const RecordedInstallation& record, JournalEntryKind kind) { return Count(record, kind, true) > 0; }

using KillPoint = std::function<bool(const RecordedInstallation& record)>;

class InterruptedInstallation : public InstallationTest {
 protected:
  void TearDown() override {
    // A record a failed test left would be undone by every later installer.
    ::DeleteFileW(InstallationRecordPath().c_str());
    ::RemoveDirectoryW(RecordFolder().c_str());
    InstallationTest::TearDown();
  }

  // Starts the shipped installer by the quick method, presses Install and
  // ends the process once the record satisfies `reached`. Returns the
  // record as the process left it.
  RecordedInstallation InstallAndKill(const KillPoint& reached) {
    RecordedInstallation left;
    InstallerRobot robot;
    StartQuick(robot, QW_TEST_INSTALLER);
    if (::testing::Test::HasFatalFailure()) return left;
    UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, robot.ProcessId()));
    EXPECT_TRUE(process.valid());
    EXPECT_TRUE(robot.Click(kNext));
    bool killed = false;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 240000 && robot.Running()) {
      const RecordedInstallation record = run_record::ParseInstallationRecord(ReadRecordText(InstallationRecordPath()));
      if (record.linesRead > 0 && reached(record)) {
        killed = ::TerminateProcess(process.get(), 1) != FALSE;
        break;
      }
      ::Sleep(2);
    }
    EXPECT_TRUE(killed) << "the installation ended before the point";
    EXPECT_EQ(::WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
    // A registration run the installer had started ends by itself.
    ::Sleep(500);
    left = run_record::ParseInstallationRecord(ReadRecordText(InstallationRecordPath()));
    EXPECT_GT(left.linesRead, 0) << "the kill left no record";
    std::printf("killed with %u entries recorded, %u files completed\n", static_cast<unsigned>(left.entries.size()),
                static_cast<unsigned>(Count(left, JournalEntryKind::File, true)));
    return left;
  }

  // Starts the installer again: the message it shows before the wizard
  // (empty when none), then the Start page's text; closes the wizard.
  std::wstring Restart(std::wstring* startText = nullptr) {
    std::wstring message;
    InstallerRobot robot;
    robot.SetStartupMessageHandler([&message](HWND box) {
      message = InstallerRobot::MessageBoxText(box);
      InstallerRobot::ClickIn(box, IDOK);
    });
    EXPECT_TRUE(robot.Start(QW_TEST_INSTALLER, L"", L"Meridel", 120000));
    EXPECT_TRUE(robot.WaitForPage(Page::Start));
    if (startText) *startText = robot.Text(kInfo);
    EXPECT_TRUE(robot.Click(kExit));
    const HWND question = robot.WaitForDialog();
    EXPECT_NE(question, nullptr);
    if (question) {
      EXPECT_TRUE(InstallerRobot::ClickIn(question, IDYES));
    }
    EXPECT_TRUE(robot.WaitForExit(30000));
    return message;
  }

  // The differences from `before`, without the DirectX stand-in's files
  // when the record shows its step ran.
  std::vector<std::wstring> ChangesFrom(const MachineSnapshot& before, const RecordedInstallation& record) const {
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring directX = std::wstring(system) + L"\\Quillon DirectX stand-in";
    const bool directXRan = Count(record, JournalEntryKind::DirectXSetup, false) > 0;
    std::vector<std::wstring> left;
    for (const std::wstring& difference : Differences(before, TakeMachineSnapshot(SnapshotRoots()), ComparisonExclusions())) {
      if (directXRan && difference.find(directX) != std::wstring::npos) continue;
      left.push_back(difference);
    }
    return left;
  }

  // The whole case for a first installation killed at `reached`.
  void ExpectUndoneAfterKill(const KillPoint& reached) {
    const RecordedInstallation record = InstallAndKill(reached);
    if (HasFatalFailure()) return;
    std::wstring startText;
    const std::wstring message = Restart(&startText);
    EXPECT_EQ(message, InstallerMessage(kEnglish, msg::kInterruptedInstallationUndone, kProduct));
    EXPECT_EQ(startText, InstallerMessage(kEnglish, msg::kInstallationOf, kProduct)) << "the Start page of a clean machine";
    EXPECT_FALSE(Exists(RecordFolder())) << "the record and its folder go with the recovery";
    const std::vector<std::wstring> changes = ChangesFrom(before_, record);
    EXPECT_TRUE(changes.empty()) << OneALine(changes);
  }
};

TEST_F(InterruptedInstallation, KilledDuringTheArchiveTestIsUndoneAtTheNextStart) {
  ExpectUndoneAfterKill([](const RecordedInstallation& record) {
    return Count(record, JournalEntryKind::Folder, false) > 0 && Count(record, JournalEntryKind::File, false) == 0;
  });
}

TEST_F(InterruptedInstallation, KilledAfterTheFirstFileIsUndoneAtTheNextStart) {
  ExpectUndoneAfterKill([](const RecordedInstallation& record) { return HasCompleted(record, JournalEntryKind::File); });
}

TEST_F(InterruptedInstallation, KilledInTheMiddleOfTheExtractionIsUndoneAtTheNextStart) {
  ExpectUndoneAfterKill([](const RecordedInstallation& record) {
    return Count(record, JournalEntryKind::File, true) >= 30;  // of the payload's 70 files, 64 recorded
  });
}

TEST_F(InterruptedInstallation, KilledAfterTheShortcutsIsUndoneAtTheNextStart) {
  ExpectUndoneAfterKill(
      [](const RecordedInstallation& record) { return HasCompleted(record, JournalEntryKind::DesktopShortcut); });
}

TEST_F(InterruptedInstallation, KilledAfterTheUninstallKeyIsUndoneAtTheNextStart) {
  ExpectUndoneAfterKill(
      [](const RecordedInstallation& record) { return HasCompleted(record, JournalEntryKind::UninstallKey); });
}

TEST_F(InterruptedInstallation, KilledAfterTheProductPathValueIsUndoneAtTheNextStart) {
  // The value is noted just before it is written; the registration run's
  // entry follows it at once.
  ExpectUndoneAfterKill([](const RecordedInstallation& record) {
    return record.productPath.noted && Count(record, JournalEntryKind::SelfRegistration, false) > 0;
  });
}

TEST_F(InterruptedInstallation, KilledAfterTheSelfRegistrationRunIsUndoneAtTheNextStart) {
  ExpectUndoneAfterKill(
      [](const RecordedInstallation& record) { return HasCompleted(record, JournalEntryKind::SelfRegistration); });
  HKEY key = nullptr;
  EXPECT_NE(::RegOpenKeyExW(HKEY_CLASSES_ROOT, L".mr-proj", 0, KEY_READ, &key), ERROR_SUCCESS)
      << "the document type the program registered is gone";
  if (key) ::RegCloseKey(key);
}

TEST_F(InterruptedInstallation, KilledWhileTheUninstallLogIsWrittenIsUndoneAtTheNextStart) {
  ExpectUndoneAfterKill([](const RecordedInstallation& record) {
    for (const RecordedEntry& entry : record.entries) {
      const std::wstring& path = entry.entry.path;
      if (path.size() > 15 && path.substr(path.size() - 15) == L"\\Uninstall.ulog") return true;
    }
    return false;
  });
}

// A reinstallation over an existing installation, cut off in the middle of
// its extraction and after its uninstall key: the next start gives back
// the installation as it was, its files, log and uninstall entry.
TEST_F(InterruptedInstallation, KilledReinstallationLeavesTheExistingInstallationIntact) {
  {
    InstallerRobot robot;
    StartQuick(robot, QW_TEST_INSTALLER);
    ASSERT_TRUE(PressInstall(robot).succeeded);
    ASSERT_TRUE(robot.Click(kNext));
    ASSERT_TRUE(robot.WaitForPage(Page::End));
    ASSERT_TRUE(robot.Click(IDCANCEL));
    ASSERT_TRUE(robot.WaitForExit(30000));
  }
  const MachineSnapshot installed = TakeMachineSnapshot(SnapshotRoots());
  for (bool afterKey : {false, true}) {
    const RecordedInstallation record = InstallAndKill([afterKey](const RecordedInstallation& r) {
      return afterKey ? HasCompleted(r, JournalEntryKind::UninstallKey) : Count(r, JournalEntryKind::File, true) >= 30;
    });
    ASSERT_FALSE(HasFatalFailure());
    std::wstring startText;
    EXPECT_EQ(Restart(&startText), InstallerMessage(kEnglish, msg::kInterruptedInstallationUndone, kProduct));
    EXPECT_NE(startText.find(InstallerMessage(kEnglish, msg::kAlreadyInstalled, kProduct)), std::wstring::npos)
        << Narrow(startText);
    const std::vector<std::wstring> changes = ChangesFrom(installed, record);
    EXPECT_TRUE(changes.empty()) << (afterKey ? "after the uninstall key:\n" : "in the extraction:\n")
                                 << OneALine(changes);
  }
}

// The user's own copy of a library (payload kind 3) is there before the
// first installation: the installation sets a copy aside and leaves the
// file; killed after that, the next start puts the copy back in its place.
TEST_F(InterruptedInstallation, KilledWhileAUserFileWasSetAsideGivesItBackByteForByte) {
  std::wstring userFile;
  for (const ListedEntry& entry : ListArchive(PayloadOfInstaller(QW_TEST_INSTALLER))) {
    if (!IsPayloadKind(entry.kind, PayloadKind::UserData)) continue;
    userFile = InstalledPath(entry.destination, DefaultInstallFolder(), L"Meridel Examples");
    break;
  }
  ASSERT_FALSE(userFile.empty());
  std::string content = "the user's own library\r\n";
  for (int i = 0; i < 2000; ++i) content += static_cast<char>(i * 7 + 3);
  ASSERT_EQ(::SHCreateDirectoryExW(nullptr, userFile.substr(0, userFile.rfind(L'\\')).c_str(), nullptr), ERROR_SUCCESS);
  WriteTestFile(userFile, content);
  before_ = TakeMachineSnapshot(SnapshotRoots());  // with the user's file

  const RecordedInstallation record = InstallAndKill([&userFile](const RecordedInstallation& r) {
    for (const RecordedEntry& entry : r.entries)
      if (entry.setAside && entry.entry.path == userFile) return Count(r, JournalEntryKind::File, true) > 0;
    return false;
  });
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(Restart(), InstallerMessage(kEnglish, msg::kInterruptedInstallationUndone, kProduct));
  EXPECT_EQ(ReadTestFile(userFile), content);
  const std::vector<std::wstring> changes = ChangesFrom(before_, record);
  EXPECT_TRUE(changes.empty()) << OneALine(changes);
  // The fixture removes what was added; the user's file was there before.
  ::DeleteFileW(userFile.c_str());
  for (std::wstring folder = userFile.substr(0, userFile.rfind(L'\\')); ::RemoveDirectoryW(folder.c_str());
       folder = folder.substr(0, folder.rfind(L'\\'))) {
  }
}

// Records written by hand, as a disk or a person may have left them.
class DamagedRunRecord : public InterruptedInstallation {
 protected:
  std::wstring Header(const std::wstring& process) const {
    return std::wstring(kInstallationRecordMarker) + L"\r\nprocess\t" + process + L"\r\ninstall\t" + Folder() +
           L"\r\nstartmenu\t\r\ntemporary\t\r\n";
  }
  static std::wstring Folder() { return DefaultInstallFolder(); }
  // "...\Quillon Works", which the tests make on the way as an installation would.
  static std::wstring Parent() { return Folder().substr(0, Folder().rfind(L'\\')); }
  static std::wstring FileEntry(const std::wstring& path) { return L"entry\t1\t0\t0\t" + path + L"\r\n"; }
  static std::wstring FolderEntry(const std::wstring& path) { return L"entry\t0\t-1\t0\t" + path + L"\r\n"; }

  // This test process, with a creation time it does not have: a process
  // that has ended and whose id was given again.
  static std::wstring EndedProcess() {
    wchar_t text[40] = {};
    std::swprintf(text, 40, L"%lu\t0000000000000001", ::GetCurrentProcessId());
    return text;
  }
  static std::wstring ThisProcess() {
    FILETIME creation{}, exit{}, kernel{}, user{};
    ::GetProcessTimes(::GetCurrentProcess(), &creation, &exit, &kernel, &user);
    wchar_t text[40] = {};
    std::swprintf(text, 40, L"%lu\t%08lx%08lx", ::GetCurrentProcessId(), creation.dwHighDateTime,
                  creation.dwLowDateTime);
    return text;
  }

  void TearDown() override {
    ::DeleteFileW(kOutside);
    ::RemoveDirectoryW(L"C:\\QwOutside");
    InterruptedInstallation::TearDown();
  }
  static constexpr const wchar_t* kOutside = L"C:\\QwOutside\\kept.txt";
};

// Cut off in the middle of its last line (the kill came while it was
// written): everything before is undone, and the message is the plain one.
TEST_F(DamagedRunRecord, CutOffInTheMiddleOfALineIsUndoneAsFarAsItReads) {
  const std::wstring folder = Folder();
  ASSERT_EQ(::SHCreateDirectoryExW(nullptr, (folder + L"\\Lang").c_str(), nullptr), ERROR_SUCCESS);
  WriteTestFile(folder + L"\\Meridel.exe", "half a program");
  WriteTestFile(folder + L"\\Lang\\Meridel.en.dll", "a language");
  WriteRecord(Header(EndedProcess()) + FolderEntry(Parent()) + FolderEntry(folder) + FileEntry(folder + L"\\Meridel.exe") +
              L"complete\t2\t1\r\n" + FolderEntry(folder + L"\\Lang") + FileEntry(folder + L"\\Lang\\Meridel.en.dll") +
              L"entry\t1\t0\t0\t" + folder + L"\\Lang\\Meridel.d");
  if (HasFatalFailure()) return;
  EXPECT_EQ(Restart(), InstallerMessage(kEnglish, msg::kInterruptedInstallationUndone, kProduct));
  EXPECT_FALSE(Exists(folder)) << "the files and folders it lists are gone";
  EXPECT_FALSE(Exists(RecordFolder()));
  const std::vector<std::wstring> changes = ChangesSinceSetUp();
  EXPECT_TRUE(changes.empty()) << OneALine(changes);
}

// A record that names a file outside the product's places, a set-aside
// copy outside the temporary folders and a damaged line: only the product's
// file goes, the rest stays, and the message lists what was left.
TEST_F(DamagedRunRecord, NamingFilesOutsideTheProductTouchesOnlyTheProductsOwn) {
  ASSERT_TRUE(::CreateDirectoryW(L"C:\\QwOutside", nullptr));
  WriteTestFile(kOutside, "someone else's file");
  before_ = TakeMachineSnapshot(SnapshotRoots());
  const std::wstring folder = Folder();
  ASSERT_EQ(::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr), ERROR_SUCCESS);
  WriteTestFile(folder + L"\\Meridel.exe", "half a program");
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  WriteRecord(Header(EndedProcess()) + FolderEntry(Parent()) + FolderEntry(folder) +
              FileEntry(folder + L"\\Meridel.exe") + FileEntry(kOutside) + FolderEntry(std::wstring(system)) +
              L"entry\t1\t0\t1\t" + folder + L"\\License.txt\r\nbackup\t5\t" + kOutside + L"\t" + folder +
              L"\\License.txt\r\nsetaside\t5\r\n" + L"complete\tnot a number\r\n" + FileEntry(L"C:\\QwOutside\\after.txt"));
  if (HasFatalFailure()) return;
  const std::wstring message = Restart();
  std::wstring partly = InstallerMessage(kEnglish, msg::kInterruptedInstallationPartlyUndone, kProduct);
  partly = partly.substr(0, partly.find(L"%2"));
  EXPECT_EQ(message.substr(0, partly.size()), partly) << Narrow(message);
  EXPECT_NE(message.find(kOutside), std::wstring::npos) << "the refused file is named: " << Narrow(message);
  EXPECT_NE(message.find(system), std::wstring::npos) << "the refused folder is named: " << Narrow(message);
  EXPECT_EQ(ReadTestFile(kOutside), "someone else's file");
  EXPECT_FALSE(Exists(folder)) << "the product's own file and folder went";
  EXPECT_FALSE(Exists(RecordFolder()));
  const std::vector<std::wstring> changes = ChangesSinceSetUp();
  EXPECT_TRUE(changes.empty()) << OneALine(changes);
}

// A record of a process that still runs (this test) is that run's own: the
// installer leaves it and what it lists alone, and says nothing.
TEST_F(DamagedRunRecord, OfAProcessThatStillRunsIsLeftAlone) {
  const std::wstring folder = Folder();
  ASSERT_EQ(::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr), ERROR_SUCCESS);
  WriteTestFile(folder + L"\\Meridel.exe", "being installed");
  WriteRecord(Header(ThisProcess()) + FolderEntry(Parent()) + FolderEntry(folder) +
              FileEntry(folder + L"\\Meridel.exe"));
  if (HasFatalFailure()) return;
  EXPECT_EQ(Restart(), L"");
  EXPECT_TRUE(Exists(folder + L"\\Meridel.exe"));
  EXPECT_TRUE(Exists(InstallationRecordPath()));
  ::DeleteFileW((folder + L"\\Meridel.exe").c_str());
  ::RemoveDirectoryW(folder.c_str());
  ::RemoveDirectoryW(Parent().c_str());
}

}  // namespace
}  // namespace qw::test
