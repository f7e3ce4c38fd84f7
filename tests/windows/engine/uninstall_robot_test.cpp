// Install, then uninstall with the real Uninstall.exe that the shipped
// installer carries, started as a user starts it: through the "Uninstall
// Meridel" shortcut and through Wine's own list of installed programs.
// Afterwards the prefix's files and the Software keys (HKEY_CLASSES_ROOT
// included: it is Software\Classes of both) must equal the snapshot taken
// before the installation, apart from what each test names.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "build_tree.h"
#include "child_process.h"
#include "dialog_driver.h"
#include "engine/run_record_format.h"
#include "engine/uninstall_log.h"
#include "install_robot.h"
#include "payload/payload_kind.h"
#include "pending_renames.h"
#include "wizard_expectations.h"
#include "test_text.h"

namespace qw::test {
namespace {

// The lines, one a line, for a failure message.
std::string OneALine(const std::vector<std::wstring>& lines) {
  std::string all;
  for (const std::wstring& line : lines) all += Narrow(line) + "\n";
  return all;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Upper(std::wstring text) {
  if (!text.empty()) ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// The file or key that a difference line names, in capitals:
// "added PATH (...)", "removed PATH (...)" or "changed PATH: ... -> ...".
std::wstring NamedPath(const std::wstring& difference) {
  const std::size_t start = difference.find(L' ') + 1;
  const std::size_t end = difference.rfind(L"changed", 0) == 0 ? difference.find(L": ", start)
                                                               : difference.rfind(L" (");
  return Upper(difference.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
}

// Whether the difference line names `path` or something below it.
bool Names(const std::wstring& difference, const std::wstring& path) {
  const std::wstring named = NamedPath(difference);
  const std::wstring wanted = Upper(path);
  return named == wanted || named.rfind(wanted + L"\\", 0) == 0;
}

class Uninstallation : public InstallationTest {
 protected:
  // Installs the shipped payload by the quick method and closes the wizard.
  void InstallShipped() {
    shipped_ = ListArchive(PayloadOfInstaller(QW_TEST_INSTALLER));
    ASSERT_FALSE(shipped_.empty());
    InstallerRobot robot;
    StartQuick(robot, QW_TEST_INSTALLER);
    const RunResult run = PressInstall(robot);
    ASSERT_TRUE(run.succeeded) << Narrow(run.status) << "\n" << Narrow(run.log);
    ASSERT_TRUE(robot.Click(kNext));
    ASSERT_TRUE(robot.WaitForPage(Page::End));
    ASSERT_TRUE(robot.Click(IDCANCEL));
    ASSERT_TRUE(robot.WaitForExit(30000));
    ASSERT_TRUE(Exists(DefaultInstallFolder() + L"\\Uninstall.ulog"));
  }

  // The uninstaller that the shell or Wine started: found by its question's
  // title, and ended by the test should it fail half-way.
  HANDLE FindUninstaller(DWORD& processId) {
    HWND question = nullptr;
    const bool found = WaitUntil([&] {
      question = ::FindWindowW(L"#32770", L"Uninstall Meridel 6.07c");
      return question != nullptr && ::IsWindowVisible(question);
    }, 60000);
    EXPECT_TRUE(found) << "no question of the uninstaller";
    if (!found) return nullptr;
    ::GetWindowThreadProcessId(question, &processId);
    uninstaller_.reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, processId));
    return uninstaller_.get();
  }

  void TearDown() override {
    if (uninstaller_ && ::WaitForSingleObject(uninstaller_.get(), 0) == WAIT_TIMEOUT)
      ::TerminateProcess(uninstaller_.get(), 1);
    InstallationTest::TearDown();
  }

  // Answers the question (ticking the box when asked), reads the end
  // message and closes it; waits for the uninstaller's end.
  std::wstring Answer(DWORD processId, HANDLE process, bool removeUserData, DWORD& exitCode) {
    const HWND question = WaitForWizard(processId, 60000);
    EXPECT_NE(question, nullptr);
    if (!question) return {};
    if (removeUserData) Send(::GetDlgItem(question, 1203), BM_SETCHECK, BST_CHECKED);
    EXPECT_TRUE(PressButton(question, IDOK));
    const HWND end = WaitForMessageBox(processId, 120000);
    EXPECT_NE(end, nullptr);
    if (!end) return {};
    const std::wstring text = MessageBoxText(end);
    EXPECT_TRUE(PressButton(end, IDOK));
    EXPECT_EQ(::WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
    ::GetExitCodeProcess(process, &exitCode);
    return text;
  }

  // The second phase removes the uninstaller and its folder a moment later;
  // its own parked file goes when it ends.
  void WaitForTheInstallationFolderToGo() {
    EXPECT_TRUE(WaitUntil([] { return !Exists(DefaultInstallFolder()); }, 90000))
        << "still there: " << Narrow(DefaultInstallFolder());
    EXPECT_TRUE(WaitUntil([] { return !UninstallerRunning(); }, 60000)) << "the uninstaller's copy still runs";
  }

  // Whether a process of the uninstaller (its copy included, which runs
  // under a parked ".tmp" name at its end) is still there.
  static bool UninstallerRunning() {
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
      ADD_FAILURE() << "no list of processes: " << ::GetLastError();
      return false;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
      const std::wstring name = Upper(entry.szExeFile);
      if (name == L"UNINSTALL.EXE" || (name.size() > 4 && name.substr(name.size() - 4) == L".TMP")) return true;
    }
    return false;
  }

  // Where the payload's files of `kind` landed.
  std::vector<std::wstring> InstalledFilesOfKind(PayloadKind kind) const {
    std::vector<std::wstring> paths;
    for (const ListedEntry& entry : shipped_) {
      if (!IsPayloadKind(entry.kind, kind)) continue;
      paths.push_back(InstalledPath(entry.destination, DefaultInstallFolder(), L"Meridel Examples"));
    }
    return paths;
  }

  // What differs from the snapshot before the installation, without the
  // DirectX runtime (a shared system component that is never undone),
  // without `kept` and the folders that hold them, and without a file the
  // system deletes at the next restart (printed: the uninstaller parks its
  // running copy there when no delete-on-close handle can take it, as under
  // Wine, which refuses DELETE access to a running program's file and does
  // not follow a renamed file with an older handle).
  std::vector<std::wstring> Leftovers(const std::vector<std::wstring>& kept) const {
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    const std::vector<std::wstring> atRestart = DeletedAtRestart();
    std::vector<std::wstring> left;
    for (const std::wstring& difference : ChangesSinceSetUp()) {
      if (Names(difference, system)) continue;  // the DirectX runtime
      if (difference.rfind(L"added", 0) == 0 &&
          std::find(atRestart.begin(), atRestart.end(), NamedPath(difference)) != atRestart.end()) {
        std::printf("deleted at the next restart: %s\n", Narrow(difference).c_str());
        continue;
      }
      const bool keptOrHolder = std::any_of(kept.begin(), kept.end(), [&](const std::wstring& path) {
        if (Names(difference, path)) return true;
        return difference.rfind(L"added", 0) == 0 && Upper(path).rfind(NamedPath(difference) + L"\\", 0) == 0;
      });
      if (!keptOrHolder) left.push_back(difference);
    }
    return left;
  }

  // The files the system deletes at the next restart, in capitals.
  static std::vector<std::wstring> DeletedAtRestart() {
    std::vector<std::wstring> files;
    for (const PendingRename& rename : PendingRenames().value_or(std::vector<PendingRename>())) {
      std::wstring source = rename.source;
      if (source.rfind(L"\\??\\", 0) == 0) source.erase(0, 4);
      if (rename.target.empty()) files.push_back(Upper(source));
    }
    return files;
  }

  std::vector<ListedEntry> shipped_;
  UniqueHandle uninstaller_;
};

TEST_F(Uninstallation, ThroughTheStartMenuShortcutWithUserDataLeavesTheMachineAsItWas) {
  ASSERT_NO_FATAL_FAILURE(InstallShipped());
  const std::wstring shortcut = DefaultStartMenuFolder() + L"\\Uninstall Meridel.lnk";
  ASSERT_TRUE(Exists(shortcut));
  // Opened as the Start menu opens it.
  SHELLEXECUTEINFOW run{};
  run.cbSize = sizeof run;
  run.fMask = SEE_MASK_NOCLOSEPROCESS;
  run.lpFile = shortcut.c_str();
  run.nShow = SW_SHOWNORMAL;
  ASSERT_TRUE(::ShellExecuteExW(&run)) << ::GetLastError();
  if (run.hProcess) ::CloseHandle(run.hProcess);  // under Wine a starter process, not the uninstaller
  DWORD processId = 0;
  HANDLE process = FindUninstaller(processId);
  ASSERT_NE(process, nullptr);
  DWORD exitCode = 1;
  const std::wstring text = Answer(processId, process, true, exitCode);
  EXPECT_EQ(exitCode, 0u) << Narrow(text);
  EXPECT_EQ(text.rfind(L"'Meridel 6.07c' was removed from this computer.", 0), 0u) << Narrow(text);
  EXPECT_NE(text.find(L"The DirectX runtime is shared with other programs and stays installed."), std::wstring::npos)
      << Narrow(text);
  WaitForTheInstallationFolderToGo();
  const std::vector<std::wstring> left = Leftovers({});
  EXPECT_TRUE(left.empty()) << OneALine(left);
}

TEST_F(Uninstallation, ThroughWinesListOfInstalledProgramsKeepsTheUserData) {
  ASSERT_NO_FATAL_FAILURE(InstallShipped());
  // Wine's "uninstaller --remove" runs the entry's "UninstallString".
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  ChildProcess wineUninstaller =
      ChildProcess::Start(std::wstring(system) + L"\\uninstaller.exe", L"--remove \"Meridel 6\"");
  ASSERT_TRUE(wineUninstaller.valid()) << ::GetLastError();
  DWORD processId = 0;
  HANDLE process = FindUninstaller(processId);
  ASSERT_NE(process, nullptr);
  DWORD exitCode = 1;
  const std::wstring text = Answer(processId, process, false, exitCode);
  EXPECT_EQ(exitCode, 0u) << Narrow(text);
  EXPECT_NE(text.find(L"Kept as asked (libraries and user data): "), std::wstring::npos) << Narrow(text);
  EXPECT_TRUE(wineUninstaller.WaitForExit(30000));
  WaitForTheInstallationFolderToGo();
  const std::vector<std::wstring> kept = InstalledFilesOfKind(PayloadKind::UserData);
  ASSERT_FALSE(kept.empty());
  for (const std::wstring& path : kept) EXPECT_TRUE(Exists(path)) << Narrow(path);
  const std::vector<std::wstring> left = Leftovers(kept);
  EXPECT_TRUE(left.empty()) << OneALine(left);
}

TEST_F(Uninstallation, AfterAnUpdateRemovesTheFilesOfBothInstallations) {
  // The earlier installation: the tests' small payload, whose program then
  // becomes a 6.7.3.0 build, so that the shipped installer updates it.
  {
    InstallerRobot robot;
    StartQuick(robot, InstallerWith(testArchive_, L"install_small"));
    ASSERT_TRUE(PressInstall(robot).succeeded);
    ASSERT_TRUE(robot.Click(kNext));
    ASSERT_TRUE(robot.WaitForPage(Page::End));
    ASSERT_TRUE(robot.Click(IDCANCEL));
    ASSERT_TRUE(robot.WaitForExit(30000));
  }
  const std::wstring program = DefaultInstallFolder() + L"\\Meridel.exe";
  ASSERT_TRUE(::SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(::CopyFileW((std::wstring(QW_INSTALLED_PROGRAMS) + L"\\Meridel-6.7.3.0.exe").c_str(), program.c_str(), FALSE));
  std::vector<std::wstring> kept, earlierFiles;
  for (const ListedEntry& entry : testListed_) {
    const std::wstring path = InstalledPath(entry.destination, DefaultInstallFolder(), L"Meridel Examples");
    if (path.empty()) continue;
    (IsPayloadKind(entry.kind, PayloadKind::UserData) ? kept : earlierFiles).push_back(path);
  }
  ASSERT_TRUE(Exists(DefaultInstallFolder() + L"\\License.txt")) << "a file only the earlier payload has";

  ASSERT_NO_FATAL_FAILURE(InstallShipped());
  for (const std::wstring& path : InstalledFilesOfKind(PayloadKind::UserData)) kept.push_back(path);
  ChildProcess uninstaller = ChildProcess::Start(DefaultInstallFolder() + L"\\Uninstall.exe", L"/quiet");
  ASSERT_TRUE(uninstaller.valid());
  ASSERT_TRUE(uninstaller.WaitForExit(120000));
  EXPECT_EQ(uninstaller.ExitCode(), 0u);
  // The folder stays: it holds the earlier payload's kept library.
  EXPECT_TRUE(WaitUntil([] { return !Exists(DefaultInstallFolder() + L"\\Uninstall.exe"); }, 90000));
  EXPECT_TRUE(WaitUntil([] { return !UninstallerRunning(); }, 60000)) << "the uninstaller's copy still runs";
  for (const std::wstring& path : earlierFiles) EXPECT_FALSE(Exists(path)) << Narrow(path);
  for (const std::wstring& path : kept) EXPECT_TRUE(Exists(path)) << "kept: " << Narrow(path);
  const std::vector<std::wstring> left = Leftovers(kept);
  EXPECT_TRUE(left.empty()) << OneALine(left);
}

// The removal record as it is now (without byte order mark).
RecordedRemoval ReadRemovalRecord() {
  return run_record::ParseRemovalRecord(ReadRecordText(RecordFolder() + L"\\Removal.qwrec"));
}

// The uninstaller ended from outside half-way through its removal (as the
// task manager or a power loss would end it), then started again: the
// second run finishes the removal and reports success, and the machine is
// as after a complete removal. The point is found by reading the
// uninstaller's run record as it grows (each line is flushed before the
// entry it names is undone).
TEST_F(Uninstallation, KilledHalfWayIsFinishedByASecondRun) {
  ASSERT_NO_FATAL_FAILURE(InstallShipped());
  ChildProcess first = ChildProcess::Start(DefaultInstallFolder() + L"\\Uninstall.exe", L"/quiet");
  ASSERT_TRUE(first.valid());
  bool killed = false;
  std::size_t removed = 0, entries = 0;
  const DWORD start = ::GetTickCount();
  while (!killed && ::GetTickCount() - start < 120000 && first.Running()) {
    const RecordedRemoval record = ReadRemovalRecord();
    if (record.entriesComplete && record.removed * 2 >= record.entries.size()) {
      killed = ::TerminateProcess(first.handle(), 1) != FALSE;
      removed = record.removed;
      entries = record.entries.size();
    }
    ::Sleep(1);
  }
  ASSERT_TRUE(killed) << "the removal ended before half of it was done";
  ASSERT_TRUE(first.WaitForExit(30000));
  std::printf("killed after %u of %u entries\n", static_cast<unsigned>(removed), static_cast<unsigned>(entries));
  ASSERT_TRUE(Exists(DefaultInstallFolder() + L"\\Uninstall.exe"));

  ChildProcess second = ChildProcess::Start(DefaultInstallFolder() + L"\\Uninstall.exe", L"/quiet");
  ASSERT_TRUE(second.valid());
  ASSERT_TRUE(second.WaitForExit(120000));
  EXPECT_EQ(second.ExitCode(), 0u);
  WaitForTheInstallationFolderToGo();
  EXPECT_FALSE(Exists(SpecialFolderPath(CSIDL_COMMON_APPDATA) + L"\\Meridel 6 Recovery"));
  const std::vector<std::wstring> left = Leftovers(InstalledFilesOfKind(PayloadKind::UserData));
  EXPECT_TRUE(left.empty()) << OneALine(left);
}

// Cut off after its log went (the log goes with the installation folder,
// before the registry entries): the second run finds no log, reads the
// entries from the removal record, and finishes.
TEST_F(Uninstallation, KilledAfterItsLogWentIsFinishedFromItsRecord) {
  ASSERT_NO_FATAL_FAILURE(InstallShipped());
  const std::wstring logPath = DefaultInstallFolder() + L"\\Uninstall.ulog";
  const UninstallLog::Contents log = UninstallLog::ReadForRemoval(logPath);
  ASSERT_FALSE(log.openError);
  ASSERT_FALSE(log.log.entries.empty());
  // What the killed run left: its record (a process that has ended: this
  // one's id with another creation time), everything but the uninstaller
  // and the registry entries gone with the log.
  RecordWriter ended;
  ended.processId = ::GetCurrentProcessId();
  ended.creationTime = 1;
  std::wstring text = L"\xFEFF" + run_record::RemovalHeader(ended, logPath, log.log.startMenuFolder, false, false);
  for (const JournalEntry& entry : log.log.entries) text += run_record::RemovalEntryLine(entry);
  text += run_record::RemovalEntriesEndLine() + run_record::RemovedLine(log.log.entries.size() - 1);
  const std::wstring folder = SpecialFolderPath(CSIDL_COMMON_APPDATA) + L"\\Meridel 6 Recovery";
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  {
    UniqueFile record(::CreateFileW((folder + L"\\Removal.qwrec").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0,
                                    nullptr));
    ASSERT_TRUE(record.valid());
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(record.get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
                            nullptr));
  }
  const std::vector<std::wstring> kept = InstalledFilesOfKind(PayloadKind::UserData);
  {
    ChildProcess unregister = ChildProcess::Start(DefaultInstallFolder() + L"\\Meridel.exe", L"/Unregister /Background");
    ASSERT_TRUE(unregister.valid());
    ASSERT_TRUE(unregister.WaitForExit(60000));
  }
  for (const JournalEntry& entry : log.log.entries) {
    if (entry.kind != JournalEntryKind::File || entry.value == static_cast<std::int32_t>(PayloadKind::Uninstaller) ||
        entry.value == static_cast<std::int32_t>(PayloadKind::UserData))
      continue;
    ::SetFileAttributesW(entry.path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(::DeleteFileW(entry.path.c_str())) << Narrow(entry.path);
  }
  ::SetFileAttributesW(logPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(::DeleteFileW(logPath.c_str()));

  ChildProcess second = ChildProcess::Start(DefaultInstallFolder() + L"\\Uninstall.exe", L"/quiet");
  ASSERT_TRUE(second.valid());
  ASSERT_TRUE(second.WaitForExit(120000));
  EXPECT_EQ(second.ExitCode(), 0u) << "finished from the record, not refused for the missing log (1605)";
  WaitForTheInstallationFolderToGo();
  EXPECT_FALSE(Exists(folder));
  const std::vector<std::wstring> left = Leftovers(kept);
  EXPECT_TRUE(left.empty()) << OneALine(left);
}

}  // namespace
}  // namespace qw::test
