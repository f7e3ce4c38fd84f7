// Installations cut off from outside (TerminateProcess, as the task manager
// or a power loss would end them) at each step of a real installation of
// the shipped payload, then the installer started again: it says it undid
// the interrupted installation, shows the Start page of a machine without
// the product, and the prefix's files and Software keys equal the snapshot
// taken before the first run (the DirectX stand-in's files in the system
// folder and its unpacking folder under Temp apart, once its step had run:
// a shared runtime is never undone).
//
// Where to stop is found by reading the run record as it grows: the
// installer writes and flushes each line before the change it announces,
// so the record is exactly what a kill leaves, and the shipped program
// needs no hook for the test. The kill follows the line it waits for within
// a few milliseconds: the point is "at or just after" the step. Where the
// next change follows within microseconds (the product path value after
// the uninstall entry, the registration run after the value, the lines of
// the uninstall log), a debugger ends the installer at the entry of the
// system call that would make that change (CallTrap): the point is exact.
#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>

#include "build_tree.h"
#include "call_trap.h"
#include "engine/run_record_format.h"
#include "install_robot.h"
#include "payload/payload_kind.h"
#include "platform/same_name.h"
#include "scratch_folder.h"
#include "test_text.h"
#include "wine.h"
#include "wizard_expectations.h"

namespace qw::test {
namespace {

constexpr wchar_t kUndone[] = L"An interrupted installation of 'Meridel 6.07c' was undone.";

std::string OneALine(const std::vector<std::wstring>& lines) {
  std::string all;
  for (const std::wstring& line : lines) all += Narrow(line) + "\n";
  return all;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring InstallationRecordPath() { return RecordFolder() + L"\\Installation.qwrec"; }

// The record's size in bytes; 0 when there is none.
ULONGLONG RecordSize() {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(InstallationRecordPath().c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
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

bool HasProductPathValue() {
  return ::RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Quillon Works", L"Meridel 6 Path", RRF_RT_ANY, nullptr, nullptr,
                        nullptr) == ERROR_SUCCESS;
}

bool HasDocumentType() {
  HKEY key = nullptr;
  const bool has = ::RegOpenKeyExW(HKEY_CLASSES_ROOT, L"Meridel.Project.6", 0, KEY_READ, &key) == ERROR_SUCCESS;
  if (key) ::RegCloseKey(key);
  return has;
}

// How many processes run `name`; SIZE_MAX when the list cannot be had.
std::size_t RunningProcessesNamed(const wchar_t* name) {
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return SIZE_MAX;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  std::size_t count = 0;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
    if (::lstrcmpiW(entry.szExeFile, name) == 0) ++count;
  return count;
}

// Suspends (or resumes) every thread of process `id`.
void SuspendProcess(DWORD id, bool suspend) {
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID != id) continue;
    UniqueHandle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
    if (!thread) continue;
    if (suspend) {
      ::SuspendThread(thread.get());
    } else {
      ::ResumeThread(thread.get());
    }
  }
}

class InterruptedInstallation : public InstallationTest {
 protected:
  void TearDown() override {
    // A record a failed test left would be undone by every later installer.
    ::DeleteFileW(InstallationRecordPath().c_str());
    ::RemoveDirectoryW(RecordFolder().c_str());
    InstallationTest::TearDown();
  }

  // Starts the shipped installer by the quick method, presses Install and
  // ends the process once the record satisfies `reached`; once it
  // satisfies `approaching`, the installer runs in the shortest slices. Returns
  // the record as the process left it, or nothing when the run ended (or
  // failed) before the point.
  std::optional<RecordedInstallation> InstallAndKill(const KillPoint& reached, const KillPoint& approaching = nullptr) {
    InstallerRobot robot;
    StartQuick(robot, QW_TEST_INSTALLER);
    if (::testing::Test::HasFatalFailure()) return std::nullopt;
    UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, robot.ProcessId()));
    EXPECT_TRUE(process.valid());
    EXPECT_TRUE(robot.Click(kNext));
    // Each time the record has grown, the installer is stopped and the
    // record read while it stands still, so that it is ended within a line
    // or two of the point. A record of the same size has no new line: the
    // installer then runs on undisturbed.
    bool killed = false, seen = false;
    ULONGLONG lastSize = ~0ull;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 240000 && robot.Running()) {
      const ULONGLONG size = RecordSize();
      if (size == lastSize) {
        ::Sleep(lastSize == 0 ? 20 : 1);
        continue;
      }
      lastSize = size;
      SuspendProcess(robot.ProcessId(), true);
      const std::wstring text = ReadRecordText(InstallationRecordPath());
      const RecordedInstallation record = run_record::ParseInstallationRecord(text);
      if (record.linesRead > 0 && reached(record)) {
        killed = ::TerminateProcess(process.get(), 1) != FALSE;
        break;
      }
      SuspendProcess(robot.ProcessId(), false);
      if (seen && text.empty()) break;  // the record went: the run ended
      seen = seen || !text.empty();
      const bool close = approaching && record.linesRead > 0 && approaching(record);
      ::Sleep(!seen ? 20 : close ? 0 : 1);
    }
    if (!killed) {
      std::printf("the installation ended before the point\n");
      return std::nullopt;
    }
    return RecordLeftByKill(process.get());
  }

  // Starts the shipped installer by the quick method, presses Install and
  // ends the process at the call of `function` (exported by `module`) that
  // `chosen` picks, before the call has done anything. Returns the record
  // as the process left it, or nothing when the run ended without the call.
  std::optional<RecordedInstallation> InstallAndKillAtCall(const wchar_t* module, const char* function,
                                                           CallTrap::Chooser chosen) {
    InstallerRobot robot;
    StartQuick(robot, QW_TEST_INSTALLER);
    if (::testing::Test::HasFatalFailure()) return std::nullopt;
    UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, robot.ProcessId()));
    EXPECT_TRUE(process.valid());
    CallTrap trap(robot.ProcessId(), module, function, std::move(chosen));
    if (!trap.Armed()) {
      ADD_FAILURE() << "no breakpoint on " << function << ": " << trap.Failure();
      return std::nullopt;
    }
    EXPECT_TRUE(robot.Click(kNext));
    if (!trap.WaitForKill(240000)) {
      ADD_FAILURE() << "the installation ended without the call (" << trap.Calls() << " calls of " << function
                    << " seen)";
      return std::nullopt;
    }
    std::printf("ended at call %u of %s\n", trap.Calls(), function);
    return RecordLeftByKill(process.get());
  }

  // The record a kill left, once the process is gone; nothing when the run
  // had finished.
  std::optional<RecordedInstallation> RecordLeftByKill(HANDLE process) {
    EXPECT_EQ(::WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
    // A registration run the installer had started ends with it (its job),
    // also one caught while it was being started.
    ::Sleep(500);
    EXPECT_EQ(RunningProcessesNamed(L"Meridel.exe"), 0u) << "a program of the killed run still runs";
    const RecordedInstallation left = run_record::ParseInstallationRecord(ReadRecordText(InstallationRecordPath()));
    EXPECT_GT(left.linesRead, 0) << "the kill left no record";
    if (left.committed) {
      std::printf("the installation was finished before it was ended\n");
      return std::nullopt;
    }
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
    // Leaving the Start page asks only when there is something to lose:
    // the installer either ends or asks.
    const DWORD start = ::GetTickCount();
    while (robot.Running() && ::GetTickCount() - start < 30000) {
      if (const HWND question = robot.WaitForDialog(50)) {
        EXPECT_TRUE(InstallerRobot::ClickIn(question, IDYES));
        break;
      }
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
    // The runtime's setup unpacks each cabinet into a folder of its own
    // under the user's temporary folder ("qwdx" and its process): killed
    // in the middle of a cabinet, the installer leaves it as a killed
    // DirectX setup leaves its files. The tear-down takes it away.
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring directXStaging = std::wstring(temp) + L"qwdx";
    const bool directXRan = Count(record, JournalEntryKind::DirectXSetup, false) > 0;
    std::vector<std::wstring> left;
    for (const std::wstring& difference : Differences(before, TakeMachineSnapshot(SnapshotRoots()), ComparisonExclusions())) {
      if (directXRan && (difference.find(directX) != std::wstring::npos ||
                         difference.find(directXStaging) != std::wstring::npos))
        continue;
      left.push_back(difference);
    }
    return left;
  }

  // InstallAndKill, tried again (after the finished installation is taken
  // away) when a run ended before the point was seen.
  std::optional<RecordedInstallation> InstallAndKillWithin(const KillPoint& reached, const KillPoint& approaching,
                                                           const MachineSnapshot& base) {
    constexpr int kAttempts = 5;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
      std::optional<RecordedInstallation> record = InstallAndKill(reached, approaching);
      if (record || HasFatalFailure()) return record;
      RemoveAdditions(base, TakeMachineSnapshot(SnapshotRoots()), ComparisonExclusions());
    }
    ADD_FAILURE() << kAttempts << " installations ended before the point";
    return std::nullopt;
  }

  // The whole case for a first installation killed at `reached`.
  void ExpectUndoneAfterKill(const KillPoint& reached, const KillPoint& approaching = nullptr) {
    const std::optional<RecordedInstallation> killed = InstallAndKillWithin(reached, approaching, before_);
    if (killed) ExpectUndoneAtTheNextStart(*killed);
  }

  // The next start says it undid the installation the record tells of, and
  // the machine is as before it.
  void ExpectUndoneAtTheNextStart(const RecordedInstallation& record) {
    std::wstring startText;
    const std::wstring message = Restart(&startText);
    EXPECT_EQ(message, kUndone);
    EXPECT_EQ(startText, L"'Meridel 6.07c' Installation.") << "the Start page of a clean machine";
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

// Whether `path` names a file called `name` (in any case).
bool NamesFile(const std::wstring& path, const std::wstring& name) {
  const std::size_t slash = path.find_last_of(L'\\');
  return slash != std::wstring::npos && SameName(path.substr(slash + 1), name);
}

// Exactly after the uninstall entry: the installer is ended as it calls
// RegSetValueExW for the product path value, the first change after the
// entry (the value follows the entry's last line within microseconds, too
// few to be hit from outside).
bool IsProductPathValueWrite(const TrappedCall& call) { return call.StringArgument(1) == L"Meridel 6 Path"; }

std::string UninstallEntryWithoutProductPath() {
  if (HasProductPathValue()) return "the product path value was written";
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Meridel 6",
                     L"QwLanguage", RRF_RT_REG_DWORD, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return "the uninstall entry is not complete";
  return std::string();
}

TEST_F(InterruptedInstallation, KilledAfterTheUninstallKeyIsUndoneAtTheNextStart) {
  const std::optional<RecordedInstallation> killed =
      InstallAndKillAtCall(L"advapi32.dll", "RegSetValueExW", IsProductPathValueWrite);
  ASSERT_TRUE(killed);
  EXPECT_EQ(UninstallEntryWithoutProductPath(), "") << "the machine at the kill";
  ExpectUndoneAtTheNextStart(*killed);
}

// The value written, the registration run not yet begun: the installer is
// ended as it calls CreateProcessW for the product's program.
TEST_F(InterruptedInstallation, KilledAfterTheProductPathValueIsUndoneAtTheNextStart) {
  const std::optional<RecordedInstallation> killed =
      InstallAndKillAtCall(L"kernel32.dll", "CreateProcessW", [](const TrappedCall& call) {
        return NamesFile(call.StringArgument(0), L"Meridel.exe");
      });
  ASSERT_TRUE(killed);
  EXPECT_TRUE(HasProductPathValue());
  EXPECT_FALSE(HasDocumentType()) << "the registration run had not begun";
  ExpectUndoneAtTheNextStart(*killed);
}

TEST_F(InterruptedInstallation, KilledAfterTheSelfRegistrationRunIsUndoneAtTheNextStart) {
  ExpectUndoneAfterKill(
      [](const RecordedInstallation& record) { return HasCompleted(record, JournalEntryKind::SelfRegistration); });
  HKEY key = nullptr;
  EXPECT_NE(::RegOpenKeyExW(HKEY_CLASSES_ROOT, L".mr-proj", 0, KEY_READ, &key), ERROR_SUCCESS)
      << "the document type the program registered is gone";
  if (key) ::RegCloseKey(key);
}

// The log is written a line at a time: the installer is ended as it
// writes the log's tenth piece (its byte order mark, its header, then its
// entries), with half a log on the disk.
TEST_F(InterruptedInstallation, KilledWhileTheUninstallLogIsWrittenIsUndoneAtTheNextStart) {
  const std::wstring log = DefaultInstallFolder() + L"\\Uninstall.ulog";
  unsigned pieces = 0;
  const std::optional<RecordedInstallation> killed =
      InstallAndKillAtCall(L"kernel32.dll", "WriteFile", [&pieces](const TrappedCall& call) {
        return NamesFile(call.FilePathArgument(0), L"Uninstall.ulog") && ++pieces == 10;
      });
  ASSERT_TRUE(killed);
  WIN32_FILE_ATTRIBUTE_DATA half{};
  ASSERT_TRUE(::GetFileAttributesExW(log.c_str(), GetFileExInfoStandard, &half)) << "the log was begun";
  EXPECT_GT(half.nFileSizeLow, 0u) << "nine pieces of the log were written";
  ExpectUndoneAtTheNextStart(*killed);
  EXPECT_FALSE(Exists(log));
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
    const std::optional<RecordedInstallation> killed =
        afterKey ? InstallAndKillAtCall(L"advapi32.dll", "RegSetValueExW", IsProductPathValueWrite)
                 : InstallAndKillWithin(
                       [](const RecordedInstallation& r) { return Count(r, JournalEntryKind::File, true) >= 30; },
                       nullptr, installed);
    ASSERT_TRUE(killed);
    const RecordedInstallation& record = *killed;
    std::wstring startText;
    EXPECT_EQ(Restart(&startText), kUndone);
    EXPECT_NE(startText.find(L"'Meridel 6.07c' is already installed."), std::wstring::npos)
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
  const int made = ::SHCreateDirectoryExW(nullptr, userFile.substr(0, userFile.rfind(L'\\')).c_str(), nullptr);
  ASSERT_TRUE(made == ERROR_SUCCESS || made == ERROR_ALREADY_EXISTS) << made;
  WriteTestFile(userFile, content);
  before_ = TakeMachineSnapshot(SnapshotRoots());  // with the user's file

  const std::optional<RecordedInstallation> killed = InstallAndKillWithin(
      [&userFile](const RecordedInstallation& r) {
        for (const RecordedEntry& entry : r.entries)
          if (entry.setAside && entry.entry.path == userFile) return true;
        return false;
      },
      nullptr, before_);
  ASSERT_TRUE(killed);
  const RecordedInstallation& record = *killed;
  EXPECT_EQ(Restart(), kUndone);
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
  EXPECT_EQ(Restart(), kUndone);
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
  const std::wstring partly = L"An interrupted installation of 'Meridel 6.07c' was partly undone. Not undone:";
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

// The record folder is an ordinary user's link to a folder of their own (a
// junction on Windows; under Wine a Unix link, which Wine follows the same
// way), holding a record that names a file in the product's folder. The
// next start reads nothing through it: the file it names stays, the record
// and its folder stay, and the message names the record it did not use.
TEST_F(DamagedRunRecord, InAFolderThatLeadsElsewhereIsNotRead) {
  const std::wstring elsewhere = L"C:\\QwOutside";
  ASSERT_TRUE(::CreateDirectoryW(elsewhere.c_str(), nullptr));
  const std::wstring folder = Folder();
  ASSERT_EQ(::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr), ERROR_SUCCESS);
  WriteTestFile(folder + L"\\Meridel.exe", "the product's program");
  const std::wstring record = Header(EndedProcess()) + FolderEntry(folder) + FileEntry(folder + L"\\Meridel.exe");
  const std::string bytes(reinterpret_cast<const char*>(L"\xFEFF"), sizeof(wchar_t));
  WriteTestFile(elsewhere + L"\\Installation.qwrec",
                bytes + std::string(reinterpret_cast<const char*>(record.data()), record.size() * sizeof(wchar_t)));
  ASSERT_TRUE(MakeUnixFolderLink(elsewhere, RecordFolder()));
  ASSERT_EQ(ReadRecordText(InstallationRecordPath()), record) << "the link does not lead to the record";
  const MachineSnapshot staged = TakeMachineSnapshot(SnapshotRoots());

  const std::wstring message = Restart();
  const std::wstring partly = L"An interrupted installation of 'Meridel 6.07c' was partly undone. Not undone:";
  EXPECT_EQ(message.substr(0, partly.size()), partly) << Narrow(message);
  EXPECT_NE(message.find(InstallationRecordPath()), std::wstring::npos) << Narrow(message);
  EXPECT_EQ(ReadTestFile(folder + L"\\Meridel.exe"), "the product's program");
  EXPECT_EQ(ReadRecordText(elsewhere + L"\\Installation.qwrec"), record);
  const std::vector<std::wstring> changes = Differences(staged, TakeMachineSnapshot(SnapshotRoots()),
                                                        ComparisonExclusions());
  EXPECT_TRUE(changes.empty()) << OneALine(changes);

  EXPECT_TRUE(RemoveUnixLink(RecordFolder()));
  ::DeleteFileW((elsewhere + L"\\Installation.qwrec").c_str());
  ::DeleteFileW((folder + L"\\Meridel.exe").c_str());
  ::RemoveDirectoryW(folder.c_str());
  ::RemoveDirectoryW(Parent().c_str());
}

}  // namespace
}  // namespace qw::test
