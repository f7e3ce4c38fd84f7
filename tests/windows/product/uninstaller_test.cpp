// Uninstall.exe observed from outside: an installation laid out by hand in
// Program Files with a log written by the installer's own writer, then
// "Uninstall.exe /quiet", and the files, keys and exit code compared.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <list>
#include <optional>
#include <vector>

#include "build_tree.h"
#include "child_process.h"
#include "pending_renames.h"
#include "dialog_driver.h"
#include "installer_robot.h"
#include "platform/application_lock.h"
#include "platform/instance_counter.h"
#include "platform_probes.h"
#include "product/uninstaller/uninstaller_resources.h"
#include "test_text.h"
#include "wine.h"
#include "engine/uninstall_log.h"
#include "platform/file_version_info.h"
#include "sample_product_manifest.h"
#include "machine_snapshot.h"
#include "tests/common/journal_entries.h"

namespace qw::test {
namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Meridel 6";
constexpr wchar_t kMakerKey[] = L"Software\\Quillon Works";

std::wstring UninstallerPath() { return ProductFolder() + L"bin\\Uninstall.exe"; }

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Whether a removal the system keeps for the restart names `part` in its
// source.
bool PendingRenameNames(const std::wstring& part) {
  const std::optional<std::vector<PendingRename>> renames = PendingRenames();
  if (!renames) return false;
  for (const PendingRename& rename : *renames)
    if (::StrStrIW(rename.source.c_str(), part.c_str()) != nullptr) return true;
  return false;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

std::string ReadBytes(const std::wstring& path) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  std::string bytes(1 << 16, '\0');
  DWORD got = 0;
  ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  ::CloseHandle(file);
  bytes.resize(got);
  return bytes;
}

void WriteFile(const std::wstring& path, const char* text) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ::WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
  ::CloseHandle(file);
}

std::wstring KnownFolder(int csidl) {
  wchar_t folder[MAX_PATH] = {};
  EXPECT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, folder))) << csidl;
  return folder;
}

class UninstallerRun : public ::testing::Test {
 protected:
  void SetUp() override {
    PlaceUnder(KnownFolder(CSIDL_PROGRAM_FILES));
    dataParent_ = KnownFolder(CSIDL_COMMON_APPDATA) + L"\\Quillon Works";
    data_ = dataParent_ + L"\\Meridel 6";
    Clean();
    ForgetPendingRenamesUnder(maker_);
    HKEY maker = nullptr;
    makerKeyMade_ = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMakerKey, 0, KEY_READ, &maker) != ERROR_SUCCESS;
    if (maker) ::RegCloseKey(maker);
    ::SHSetValueW(HKEY_LOCAL_MACHINE, kMakerKey, L"QwUninstallTest", REG_SZ, L"", 2);
    ::SHDeleteValueW(HKEY_LOCAL_MACHINE, kMakerKey, L"QwUninstallTest");
  }
  void TearDown() override {
    Clean();
    ForgetPendingRenamesUnder(maker_);
    // The maker's key made here goes too, also when left empty: a later
    // test that makes it itself would find it.
    if (makerKeyMade_) ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, kMakerKey);
  }

  // The installation in a folder of its own below `root` (Program Files, or
  // a drive root such as "C:").
  void PlaceUnder(const std::wstring& root) {
    maker_ = root + L"\\QwUninstallTest";
    install_ = maker_ + L"\\Meridel 6";
  }

  void Clean() {
    ::SetFileAttributesW((data_ + L"\\Parts.lib").c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW((data_ + L"\\Parts.lib").c_str());
    ::RemoveDirectoryW(data_.c_str());       // when the test made it
    ::RemoveDirectoryW(dataParent_.c_str());
    for (const wchar_t* name : {L"\\Uninstall.exe", L"\\Uninstall.ulog", L"\\Meridel.dat", L"\\Parts.lib",
                                L"\\mine.txt", L"\\Meridel.exe"}) {
      ::SetFileAttributesW((install_ + name).c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileW((install_ + name).c_str());
    }
    ::RemoveDirectoryW(install_.c_str());
    ::RemoveDirectoryW(maker_.c_str());
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
    ::SHDeleteValueW(HKEY_LOCAL_MACHINE, kMakerKey, L"Meridel 6 Path");
  }

  // A first installation: its folders, the uninstaller, the main program
  // and a program file, a library of kind 3 in the product's data folder,
  // the uninstall key and the product path value. `extra` entries go before
  // the uninstall key's, `header` replaces the installation folder of the
  // log's header.
  void Install(int logVersion = 1, bool withProgram = false, const std::list<JournalEntry>& extra = {},
               const std::wstring& header = std::wstring()) {
    // An earlier run's second phase may still be taking its folders away
    // (a folder being deleted cannot be made again until it is gone).
    for (const std::wstring* folder : {&maker_, &install_}) {
      bool made = false;
      for (int attempt = 0; attempt < 50 && !made; ++attempt) {
        made = ::CreateDirectoryW(folder->c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
        if (!made) ::Sleep(100);
      }
      ASSERT_TRUE(made) << ::GetLastError();
    }
    ::CreateDirectoryW(dataParent_.c_str(), nullptr);
    ::CreateDirectoryW(data_.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileW(UninstallerPath().c_str(), (install_ + L"\\Uninstall.exe").c_str(), FALSE));
    WriteFile(install_ + L"\\Meridel.dat", "program file");
    WriteFile(data_ + L"\\Parts.lib", "library");
    const std::wstring program = install_ + L"\\Meridel.exe";
    std::list<JournalEntry> entries = {DoneEntry(JournalEntryKind::Folder, maker_),
                                       DoneEntry(JournalEntryKind::Folder, install_),
                                       DoneEntry(JournalEntryKind::File, install_ + L"\\Uninstall.exe", 2),
                                       DoneEntry(JournalEntryKind::File, install_ + L"\\Meridel.dat", 0),
                                       DoneEntry(JournalEntryKind::File, program, 1),
                                       DoneEntry(JournalEntryKind::File, data_ + L"\\Parts.lib", 3)};
    entries.insert(entries.end(), extra.begin(), extra.end());
    entries.push_back(DoneEntry(JournalEntryKind::UninstallKey, L""));
    if (withProgram) {
      // The program registered itself as the installer has it do.
      ASSERT_TRUE(::CopyFileW((ProductFolder() + L"bin\\Meridel.exe").c_str(), program.c_str(), FALSE));
      ChildProcess run = ChildProcess::Start(program, L"/Register /Background");
      ASSERT_TRUE(run.WaitForExit(30000));
      ASSERT_EQ(run.ExitCode(), static_cast<DWORD>(-10));
      entries.push_back(DoneEntry(JournalEntryKind::SelfRegistration, L""));
    } else {
      WriteFile(program, "main program");
    }
    ::SetFileAttributesW((install_ + L"\\Uninstall.ulog").c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(UninstallLog::Write(install_ + L"\\Uninstall.ulog", {L"Meridel 6.07c", L"Meridel 6"}, entries,
                                    header.empty() ? install_ : header, L"", L""));
    if (logVersion != 1) {
      ::SetFileAttributesW((install_ + L"\\Uninstall.ulog").c_str(), FILE_ATTRIBUTE_NORMAL);
      WriteFile(install_ + L"\\Uninstall.ulog", "// Uninstall Log File v2\r\n");
    }
    const std::wstring uninstaller = install_ + L"\\Uninstall.exe";
    ::SHSetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", REG_SZ, uninstaller.c_str(),
                  static_cast<DWORD>((uninstaller.size() + 1) * 2));
    ::SHSetValueW(HKEY_LOCAL_MACHINE, kMakerKey, L"Meridel 6 Path", REG_SZ, program.c_str(),
                  static_cast<DWORD>((program.size() + 1) * 2));
  }

  ChildProcess StartInteractive() {
    ChildProcess uninstaller = ChildProcess::Start(install_ + L"\\Uninstall.exe", L"");
    EXPECT_TRUE(uninstaller.valid()) << ::GetLastError();
    return uninstaller;
  }

  DWORD RunQuiet() {
    ChildProcess uninstaller = ChildProcess::Start(install_ + L"\\Uninstall.exe", L"/quiet");
    EXPECT_TRUE(uninstaller.valid()) << ::GetLastError();
    EXPECT_TRUE(uninstaller.WaitForExit(60000));
    return uninstaller.ExitCode();
  }

  // The second phase removes the uninstaller a moment after it ended. When
  // it has not, the failure says which uninstallers still run and whether
  // the path was left to the restart, to tell a slow machine from a fault.
  ::testing::AssertionResult GoneWithin(const std::wstring& path, DWORD milliseconds) {
    for (DWORD waited = 0; waited < milliseconds; waited += 100) {
      if (!Exists(path)) return ::testing::AssertionSuccess();
      ::Sleep(100);
    }
    if (!Exists(path)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Narrow(path) << " still there after " << milliseconds
                                         << " ms; running: " << RunningUninstallers()
                                         << "; left to the restart: " << (LeftToRestart(path) ? "yes" : "no");
  }

  static std::string RunningUninstallers() {
    std::string found;
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    if (!snapshot.valid() || !::Process32FirstW(snapshot.get(), &entry)) return "(no process list)";
    do {
      if (::lstrcmpiW(entry.szExeFile, L"Uninstall.exe") != 0) continue;
      UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
      wchar_t image[MAX_PATH] = {};
      DWORD length = MAX_PATH;
      if (!process.valid() || !::QueryFullProcessImageNameW(process.get(), 0, image, &length)) image[0] = 0;
      found += "[" + std::to_string(entry.th32ProcessID) + " " + Narrow(image) + "]";
    } while (::Process32NextW(snapshot.get(), &entry));
    return found.empty() ? "none" : found;
  }

  static bool LeftToRestart(const std::wstring& path) { return PendingRenameNames(path); }

  std::wstring maker_;
  bool makerKeyMade_ = false;
  std::wstring install_;
  std::wstring dataParent_;
  std::wstring data_;
};

TEST(Uninstaller, VersionResourceNamesTheProduct) {
  const FileVersionInfo info = FileVersionInfo::FromFile(UninstallerPath());
  ASSERT_FALSE(info.empty());
  EXPECT_EQ(info.FixedFileVersion(), 0x0006000700030001ull);
  EXPECT_EQ(info.DisplayName(::GetThreadLocale()), L"Meridel 6.07c");
  EXPECT_EQ(info.StringValue(L"OriginalFilename"), L"Uninstall.exe");
  EXPECT_EQ(info.StringValue(L"ApplicationId"), L"Meridel6");
}

TEST_F(UninstallerRun, QuietRemovesTheInstallationKeepsUserDataAndThenItself) {
  Install();
  EXPECT_EQ(RunQuiet(), 0u);
  // Returned once the removal was done: everything but its own file is gone.
  EXPECT_FALSE(Exists(install_ + L"\\Meridel.dat"));
  EXPECT_FALSE(Exists(install_ + L"\\Uninstall.ulog"));
  EXPECT_TRUE(Exists(data_ + L"\\Parts.lib"));
  EXPECT_FALSE(::SHGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS);
  EXPECT_FALSE(::SHGetValueW(HKEY_LOCAL_MACHINE, kMakerKey, L"Meridel 6 Path", nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS);
  EXPECT_TRUE(GoneWithin(install_ + L"\\Uninstall.exe", 20000));
  EXPECT_TRUE(GoneWithin(install_, 20000));
  // The data folder holds the kept library, so it stays.
  EXPECT_TRUE(Exists(data_));
}

TEST_F(UninstallerRun, TheProgramUndoesItsRegistrationBeforeItGoes) {
  Install(1, true);
  ASSERT_EQ(::RegGetValueW(HKEY_CLASSES_ROOT, L".mr-proj", nullptr, RRF_RT_REG_SZ, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RunQuiet(), 0u);
  HKEY key = nullptr;
  EXPECT_NE(::RegOpenKeyExW(HKEY_CLASSES_ROOT, L".mr-proj", 0, KEY_READ, &key), ERROR_SUCCESS);
  if (key) ::RegCloseKey(key);
  EXPECT_FALSE(Exists(install_ + L"\\Meridel.exe"));
}

TEST_F(UninstallerRun, QuietWithoutLogRemovesNothing) {
  Install();
  ::SetFileAttributesW((install_ + L"\\Uninstall.ulog").c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(::DeleteFileW((install_ + L"\\Uninstall.ulog").c_str()));
  EXPECT_EQ(RunQuiet(), static_cast<DWORD>(ERROR_UNKNOWN_PRODUCT));
  EXPECT_TRUE(Exists(install_ + L"\\Meridel.dat"));
  EXPECT_TRUE(Exists(install_ + L"\\Uninstall.exe"));
  EXPECT_EQ(::SHGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
}

TEST_F(UninstallerRun, QuietWithALogOfVersion2RemovesNothing) {
  Install(2);
  EXPECT_EQ(RunQuiet(), static_cast<DWORD>(ERROR_INSTALL_PACKAGE_VERSION));
  EXPECT_TRUE(Exists(install_ + L"\\Meridel.dat"));
  EXPECT_TRUE(Exists(install_ + L"\\Uninstall.ulog"));
  EXPECT_EQ(::SHGetValueW(HKEY_LOCAL_MACHINE, kMakerKey, L"Meridel 6 Path", nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
}

struct TitleSearch {
  const std::wstring* title;
  bool messageBox;
  HWND found;
};

BOOL CALLBACK FindTitled(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<TitleSearch*>(parameter);
  if (!::IsWindowVisible(window) || !IsDialogClass(window) || IsMessageBox(window) != search->messageBox) return TRUE;
  if (WindowText(window) != *search->title) return TRUE;
  search->found = window;
  return FALSE;
}

// A visible dialog (or message box) of any process by its caption, or null
// after `timeoutMs`.
HWND WaitForDialogTitled(const std::wstring& title, DWORD timeoutMs = kWindowTimeoutMs, bool messageBox = false) {
  const DWORD start = ::GetTickCount();
  do {
    TitleSearch search{&title, messageBox, nullptr};
    ::EnumWindows(&FindTitled, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    ::Sleep(50);
  } while (::GetTickCount() - start < timeoutMs);
  return nullptr;
}

TEST_F(UninstallerRun, AsksOnceThenRemovesUserDataWhenTickedAndSaysItIsDone) {
  Install();
  ChildProcess uninstaller = StartInteractive();
  const HWND question = WaitForWizard(uninstaller.id());
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(WindowText(question), L"Uninstall Meridel 6.07c");
  EXPECT_EQ(WindowText(::GetDlgItem(question, IDC_QUESTION_TEXT)),
            L"Do you want to remove 'Meridel 6.07c' from this computer?");
  EXPECT_EQ(WindowText(::GetDlgItem(question, IDC_QUESTION_NOTE)),
            L"Libraries and user data are kept unless you tick the box below.");
  EXPECT_EQ(WindowText(::GetDlgItem(question, IDC_REMOVE_USER_DATA)), L"Also remove the libraries and user data");
  EXPECT_EQ(WindowText(::GetDlgItem(question, IDOK)), L"Remove");
  EXPECT_EQ(Send(::GetDlgItem(question, IDC_REMOVE_USER_DATA), BM_GETCHECK), BST_UNCHECKED);
  // Nothing is touched while the question is open.
  EXPECT_TRUE(Exists(install_ + L"\\Meridel.dat"));
  Send(::GetDlgItem(question, IDC_REMOVE_USER_DATA), BM_SETCHECK, BST_CHECKED);
  ASSERT_TRUE(PressButton(question, IDOK));

  const HWND end = WaitForMessageBox(uninstaller.id());
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(MessageBoxText(end), L"'Meridel 6.07c' was removed from this computer.");
  EXPECT_FALSE(Exists(data_ + L"\\Parts.lib"));
  ASSERT_TRUE(PressButton(end, IDOK));
  ASSERT_TRUE(uninstaller.WaitForExit(20000));
  EXPECT_EQ(uninstaller.ExitCode(), 0u);
  EXPECT_TRUE(GoneWithin(install_, 20000));
  EXPECT_TRUE(GoneWithin(maker_, 20000));
}

TEST_F(UninstallerRun, CancelRemovesNothing) {
  Install();
  ChildProcess uninstaller = StartInteractive();
  const HWND question = WaitForWizard(uninstaller.id());
  ASSERT_NE(question, nullptr);
  ASSERT_TRUE(PressButton(question, IDCANCEL));
  ASSERT_TRUE(uninstaller.WaitForExit(20000));
  EXPECT_EQ(uninstaller.ExitCode(), static_cast<DWORD>(ERROR_INSTALL_USEREXIT));
  EXPECT_TRUE(Exists(install_ + L"\\Meridel.dat"));
  EXPECT_TRUE(Exists(install_ + L"\\Uninstall.ulog"));
}

TEST_F(UninstallerRun, AFileTheUserAddedStaysWithItsFolderAndIsListed) {
  Install();
  WriteFile(install_ + L"\\mine.txt", "the user's");
  ChildProcess uninstaller = StartInteractive();
  const HWND question = WaitForWizard(uninstaller.id());
  ASSERT_NE(question, nullptr);
  ASSERT_TRUE(PressButton(question, IDOK));
  const HWND end = WaitForMessageBox(uninstaller.id());
  ASSERT_NE(end, nullptr);
  const std::wstring text = MessageBoxText(end);
  EXPECT_NE(text.find(L"except for the following"), std::wstring::npos) << ::testing::PrintToString(text);
  EXPECT_NE(text.find(L"Kept, it holds files that the installation did not make: " + install_), std::wstring::npos)
      << ::testing::PrintToString(text);
  EXPECT_NE(text.find(L"Kept as asked (libraries and user data): " + data_), std::wstring::npos)
      << ::testing::PrintToString(text);
  // The kept libraries are named by their folder, not file by file.
  EXPECT_EQ(text.find(L"Parts.lib"), std::wstring::npos) << ::testing::PrintToString(text);
  ASSERT_TRUE(PressButton(end, IDOK));
  ASSERT_TRUE(uninstaller.WaitForExit(20000));
  EXPECT_EQ(uninstaller.ExitCode(), static_cast<DWORD>(ERROR_INSTALL_FAILURE));
  EXPECT_TRUE(Exists(install_ + L"\\mine.txt"));
  EXPECT_FALSE(Exists(install_ + L"\\Meridel.dat"));
  EXPECT_TRUE(GoneWithin(install_ + L"\\Uninstall.exe", 20000));
}

TEST_F(UninstallerRun, AFileInUseIsListedAndLeftToTheRestart) {
  Install();
  UniqueFile holder(::CreateFileW((install_ + L"\\Meridel.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  0, nullptr));
  ASSERT_TRUE(holder.valid());
  EXPECT_EQ(RunQuiet(), static_cast<DWORD>(ERROR_SUCCESS_REBOOT_REQUIRED));
  EXPECT_TRUE(Exists(install_ + L"\\Meridel.dat"));
  EXPECT_FALSE(Exists(install_ + L"\\Uninstall.ulog"));
  // Scheduled where the system keeps removals for the restart.
  EXPECT_TRUE(PendingRenameNames(L"QwUninstallTest\\Meridel 6\\Meridel.dat"));
}

// The copy that removes the uninstaller after it ended needs a private
// folder under the temporary folder; where none can be made (here a
// temporary folder that does not exist), the restart takes the uninstaller
// and its folders instead, and the exit code says a restart is needed.
TEST_F(UninstallerRun, WithoutItsCopyItLeavesItselfToTheRestart) {
  Install();
  std::wstring temp(32767, L'\0');
  temp.resize(::GetEnvironmentVariableW(L"TEMP", temp.data(), static_cast<DWORD>(temp.size())));
  std::wstring tmp(32767, L'\0');
  tmp.resize(::GetEnvironmentVariableW(L"TMP", tmp.data(), static_cast<DWORD>(tmp.size())));
  const std::wstring nowhere = maker_ + L"-no-such-folder";
  ::SetEnvironmentVariableW(L"TEMP", nowhere.c_str());
  ::SetEnvironmentVariableW(L"TMP", nowhere.c_str());
  ASSERT_FALSE(PendingRenameNames(install_)) << "left by an earlier run";
  const DWORD code = RunQuiet();
  ::SetEnvironmentVariableW(L"TEMP", temp.empty() ? nullptr : temp.c_str());
  ::SetEnvironmentVariableW(L"TMP", tmp.empty() ? nullptr : tmp.c_str());

  EXPECT_EQ(code, static_cast<DWORD>(ERROR_SUCCESS_REBOOT_REQUIRED));
  EXPECT_FALSE(Exists(install_ + L"\\Meridel.dat"));
  EXPECT_FALSE(Exists(nowhere));
  ASSERT_TRUE(Exists(install_ + L"\\Uninstall.exe"));
  const std::optional<std::vector<PendingRename>> pending = PendingRenames();
  ASSERT_TRUE(pending);
  const std::optional<std::size_t> self = PendingDeletionIndex(*pending, install_ + L"\\Uninstall.exe");
  const std::optional<std::size_t> folder = PendingDeletionIndex(*pending, install_);
  ASSERT_TRUE(self) << "the uninstaller is deleted at the restart";
  ASSERT_TRUE(folder) << "its folder is deleted at the restart";
  EXPECT_LT(*self, *folder) << "the file is removed before its folder";
}

TEST_F(UninstallerRun, AHostileLogIsRefusedEntryByEntry) {
  Install();
  wchar_t windows[MAX_PATH] = {};
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring winIni = std::wstring(windows) + L"\\win.ini";
  const bool hadWinIni = Exists(winIni);
  if (!hadWinIni) WriteFile(winIni, "[windows]\r\n");
  std::list<JournalEntry> entries = {DoneEntry(JournalEntryKind::Folder, install_),
                                     DoneEntry(JournalEntryKind::File, winIni, 0),
                                     DoneEntry(JournalEntryKind::File, install_ + L"\\..\\..\\QwOutside.txt", 0),
                                     DoneEntry(JournalEntryKind::File, install_ + L"\\Meridel.dat", 0)};
  ::SetFileAttributesW((install_ + L"\\Uninstall.ulog").c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(UninstallLog::Write(install_ + L"\\Uninstall.ulog", {L"Meridel 6.07c", L"Meridel 6"}, entries,
                                  install_, L"", L""));
  EXPECT_EQ(RunQuiet(), static_cast<DWORD>(ERROR_INSTALL_FAILURE));
  EXPECT_TRUE(Exists(winIni));
  EXPECT_FALSE(Exists(install_ + L"\\Meridel.dat"));
  if (!hadWinIni) ::DeleteFileW(winIni.c_str());
}

TEST_F(UninstallerRun, ALogCutOffInALineRemovesWhatWasReadAndNothingElse) {
  Install();
  const std::wstring log = install_ + L"\\Uninstall.ulog";
  ::SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_NORMAL);
  // Keep the header, the two folders, the uninstaller, Meridel.dat and half
  // of the next line.
  HANDLE file = ::CreateFileW(log.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  char bytes[8192];
  DWORD got = 0;
  ::ReadFile(file, bytes, sizeof bytes, &got, nullptr);
  const std::wstring text(reinterpret_cast<wchar_t*>(bytes), got / 2);
  const std::size_t cut = text.find(L"0004:");
  ASSERT_NE(cut, std::wstring::npos);
  ::SetFilePointer(file, static_cast<LONG>((cut + 3) * 2), nullptr, FILE_BEGIN);
  ::SetEndOfFile(file);
  ::CloseHandle(file);

  EXPECT_EQ(RunQuiet(), static_cast<DWORD>(ERROR_INSTALL_FAILURE));
  EXPECT_FALSE(Exists(install_ + L"\\Meridel.dat"));
  EXPECT_TRUE(Exists(data_ + L"\\Parts.lib"));
  // A log cut off is no finished installation's: the log, the uninstaller
  // and the uninstall key stay for a later run.
  EXPECT_TRUE(Exists(install_ + L"\\Uninstall.ulog"));
  EXPECT_TRUE(Exists(install_ + L"\\Uninstall.exe"));
  EXPECT_EQ(::SHGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
}

TEST_F(UninstallerRun, WhileTheProductRunsItAsksToCloseIt) {
  Install();
  InstanceCounter counter(L"Meridel6");
  ASSERT_EQ(counter.Count(), 0u) << "another process of the application is running";
  counter.Register();  // stands for the running product
  EXPECT_EQ(RunQuiet(), static_cast<DWORD>(ERROR_BUSY));
  EXPECT_TRUE(Exists(install_ + L"\\Meridel.dat"));

  ChildProcess uninstaller = StartInteractive();
  HWND box = WaitForMessageBox(uninstaller.id());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), L"You should close 'Meridel 6.07c' before uninstalling it.");
  EXPECT_TRUE(HasButton(box, IDRETRY));
  ASSERT_TRUE(PressButton(box, IDRETRY));
  ASSERT_TRUE(WaitForWindowGone(box));
  box = WaitForMessageBox(uninstaller.id());
  ASSERT_NE(box, nullptr) << "Retry while the product still runs asks again";
  ASSERT_TRUE(PressButton(box, IDCANCEL));
  ASSERT_TRUE(uninstaller.WaitForExit(20000));
  EXPECT_EQ(uninstaller.ExitCode(), static_cast<DWORD>(ERROR_INSTALL_USEREXIT));
  EXPECT_TRUE(Exists(install_ + L"\\Meridel.dat"));
  counter.Deregister();
}

TEST_F(UninstallerRun, WhileAnInstallerRunsItIsRefused) {
  Install();
  ApplicationLock lock(ApplicationLockName(L"Meridel6"), false, true);
  ASSERT_TRUE(lock.TryAcquire());
  EXPECT_EQ(RunQuiet(), static_cast<DWORD>(ERROR_INSTALL_ALREADY_RUNNING));
  ChildProcess uninstaller = StartInteractive();
  const HWND box = WaitForMessageBox(uninstaller.id());
  ASSERT_NE(box, nullptr);
  wchar_t busy[512] = {};
  ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_BUSY, 0, busy, 512,
                   nullptr);
  std::wstring expected = busy;
  while (!expected.empty() && (expected.back() == L'\n' || expected.back() == L'\r')) expected.pop_back();
  EXPECT_EQ(MessageBoxText(box), expected);
  ASSERT_TRUE(PressButton(box, IDOK));
  ASSERT_TRUE(uninstaller.WaitForExit(20000));
  EXPECT_TRUE(Exists(install_ + L"\\Meridel.dat"));
}

TEST_F(UninstallerRun, SpeaksFrench) {
  const ProbeResult probe = ProbeUnixLocaleStart();
  if (!probe.works) GTEST_SKIP() << probe.finding;
  Install();
  WriteFile(install_ + L"\\mine.txt", "the user's");
  ASSERT_TRUE(StartInUnixLocale(install_ + L"\\Uninstall.exe", L"fr_FR.UTF-8"));
  const HWND question = WaitForDialogTitled(L"Désinstallation de Meridel 6.07c");
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(WindowText(::GetDlgItem(question, IDC_QUESTION_TEXT)),
            L"Voulez-vous supprimer 'Meridel 6.07c' de cet ordinateur ?");
  EXPECT_EQ(WindowText(::GetDlgItem(question, IDC_QUESTION_NOTE)),
            L"Les bibliothèques et les données utilisateur sont conservées, sauf si vous cochez la case ci-dessous.");
  EXPECT_EQ(WindowText(::GetDlgItem(question, IDC_REMOVE_USER_DATA)),
            L"Supprimer aussi les bibliothèques et les données utilisateur");
  EXPECT_EQ(WindowText(::GetDlgItem(question, IDOK)), L"Supprimer");
  EXPECT_EQ(WindowText(::GetDlgItem(question, IDCANCEL)), L"Annuler");
  ASSERT_TRUE(PressButton(question, IDOK));
  const HWND end = WaitForDialogTitled(L"Désinstallation de Meridel 6.07c", kWindowTimeoutMs, true);
  ASSERT_NE(end, nullptr);
  const std::wstring text = MessageBoxText(end);
  EXPECT_EQ(text.rfind(L"'Meridel 6.07c' a été supprimé de cet ordinateur, à l'exception de ce qui suit :", 0), 0u)
      << ::testing::PrintToString(text);
  EXPECT_NE(text.find(L"Conservé, il contient des fichiers que l'installation n'a pas créés : " + install_),
            std::wstring::npos)
      << ::testing::PrintToString(text);
  EXPECT_NE(text.find(L"Conservé à votre demande (bibliothèques et données utilisateur) : "), std::wstring::npos);
  ASSERT_TRUE(PressButton(end, IDOK));
  EXPECT_TRUE(WaitForWindowGone(end)) << "the end message stayed after OK";
  EXPECT_TRUE(GoneWithin(install_ + L"\\Uninstall.exe", 20000));
}

// The question, the progress window (slowed down by a file in use, which
// is retried for a second) and the end message, in English, French and
// German, beside the wizard's screenshots.
void ShootUninstaller(const wchar_t* folderName, const wchar_t* locale, const std::wstring& title,
                      const std::wstring& install) {
  const std::wstring folder = std::wstring(QW_SCREENSHOT_DIR) + L"\\" + folderName;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  UniqueFile holder(::CreateFileW((install + L"\\Meridel.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  0, nullptr));
  ASSERT_TRUE(holder.valid());
  ASSERT_TRUE(StartInUnixLocale(install + L"\\Uninstall.exe", locale));
  const HWND question = WaitForDialogTitled(title);
  ASSERT_NE(question, nullptr);
  ::SetWindowPos(question, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  ::Sleep(500);
  EXPECT_TRUE(SaveScreenshot(question, folder + L"\\uninstall-1-question.png"));
  ASSERT_TRUE(PressButton(question, IDOK));
  ASSERT_TRUE(WaitForWindowGone(question));
  const HWND progress = WaitForDialogTitled(title);
  ASSERT_NE(progress, nullptr);
  EXPECT_NE(::GetDlgItem(progress, IDC_PROGRESS_BAR), nullptr) << "not the progress window";
  // It lives for the second of the retries only: painted now (UpdateWindow
  // waits for its thread to paint), shot at once.
  ::UpdateWindow(progress);
  EXPECT_TRUE(SaveScreenshot(progress, folder + L"\\uninstall-2-progress.png"));
  const HWND end = WaitForDialogTitled(title, kWindowTimeoutMs, true);
  ASSERT_NE(end, nullptr);
  ::Sleep(500);
  EXPECT_TRUE(SaveScreenshot(end, folder + L"\\uninstall-3-end.png"));
  ASSERT_TRUE(PressButton(end, IDOK));
}

TEST_F(UninstallerRun, Screenshots) {
  const ProbeResult probe = ProbeUnixLocaleStart();
  if (!probe.works) GTEST_SKIP() << probe.finding;
  struct Shot { const wchar_t* folder; const wchar_t* locale; const wchar_t* title; };
  for (const Shot& shot : {Shot{L"en", L"en_US.UTF-8", L"Uninstall Meridel 6.07c"},
                           Shot{L"fr", L"fr_FR.UTF-8", L"Désinstallation de Meridel 6.07c"},
                           Shot{L"de", L"de_DE.UTF-8", L"Meridel 6.07c deinstallieren"}}) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(shot.folder)));
    Install();
    ShootUninstaller(shot.folder, shot.locale, shot.title, install_);
    EXPECT_TRUE(GoneWithin(install_ + L"\\Uninstall.exe", 20000));
    Clean();
  }
}


// What a user without administrator rights could aim a rewritten log at,
// outside the product: other vendors' and users' files, the Windows folder.
class HostileLog : public UninstallerRun {
 protected:
  void SetUp() override {
    UninstallerRun::SetUp();
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    windows_ = windows;
    const std::wstring profile = KnownFolder(CSIDL_PROFILE);
    users_ = profile.substr(0, profile.find_last_of(L'\\'));
    targets_ = {KnownFolder(CSIDL_PROGRAM_FILES) + L"\\QwOtherVendor\\other.exe",
                KnownFolder(CSIDL_COMMON_DOCUMENTS) + L"\\QwPublic.txt",
                KnownFolder(CSIDL_PERSONAL) + L"\\QwMine.txt",
                KnownFolder(CSIDL_DESKTOPDIRECTORY) + L"\\QwDesk.txt",
                KnownFolder(CSIDL_APPDATA) + L"\\QwAppData.txt",
                KnownFolder(CSIDL_COMMON_APPDATA) + L"\\QwOther\\data.txt",
                users_ + L"\\QwNotes.txt",
                windows_ + L"\\QwWin.ini"};
    for (const std::wstring& target : targets_) {
      const std::wstring folder = target.substr(0, target.find_last_of(L'\\'));
      if (::CreateDirectoryW(folder.c_str(), nullptr)) madeFolders_.push_back(folder);
      WriteFile(target, "not the product's");
    }
    before_ = TakeMachineSnapshot(Roots());
  }
  void TearDown() override {
    for (const std::wstring& target : targets_) ::DeleteFileW(target.c_str());
    // Only the folders the test made: the others are the user's (the
    // Desktop, Documents), which may be empty now.
    for (const std::wstring& folder : madeFolders_) ::RemoveDirectoryW(folder.c_str());
    ::DeleteFileW((users_ + L"\\Public\\QwBatchRan.txt").c_str());
    UninstallerRun::TearDown();
  }

  std::vector<std::wstring> Roots() const {
    return {users_, KnownFolder(CSIDL_COMMON_APPDATA), KnownFolder(CSIDL_PROGRAM_FILES)};
  }

  // What changed outside the product since the targets were made.
  std::vector<std::wstring> ChangedOutsideTheProduct() {
    std::vector<SnapshotExclusion> exclusions = ComparisonExclusions();
    exclusions.push_back({maker_, "the installation, removed as its log lists"});
    exclusions.push_back({dataParent_, "the product's data folders, its library kept"});
    wchar_t temporary[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temporary);
    exclusions.push_back({std::wstring(temporary) + L"qw",
                          "the uninstaller's parked copy: Wine keeps a running program's file until the restart, "
                          "for which it is scheduled"});
    exclusions.push_back({L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Meridel 6",
                          "the product's uninstall entry"});
    exclusions.push_back({L"HKLM\\Software\\Quillon Works", "the product path value"});
    std::vector<std::wstring> changed = Differences(before_, TakeMachineSnapshot(Roots()), exclusions);
    for (const std::wstring& target : targets_) {
      if (::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) changed.push_back(L"removed " + target);
    }
    return changed;
  }

  // Installs with `extra` in the log, runs "Uninstall.exe /quiet" and
  // checks the verdict and the machine.
  void RunWith(const std::list<JournalEntry>& extra, const std::wstring& what, bool registered = false,
               const std::wstring& header = std::wstring()) {
    SCOPED_TRACE(::testing::PrintToString(what));
    std::list<JournalEntry> entries = extra;
    Install(1, false, entries, header);
    if (registered) {
      // A done registration line makes the uninstaller run the newest
      // kind-1 program of the log.
      const std::wstring log = install_ + L"\\Uninstall.ulog";
      UninstallLog::Contents contents = UninstallLog::ReadForRemoval(log);
      contents.log.entries.push_back(DoneEntry(JournalEntryKind::SelfRegistration, L""));
      ::SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_NORMAL);
      ASSERT_TRUE(UninstallLog::Write(log, {L"Meridel 6.07c", L"Meridel 6"}, contents.log.entries,
                                      header.empty() ? install_ : header, L"", L""));
    }
    EXPECT_EQ(RunQuiet(), static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    GoneWithin(maker_, 20000);
    EXPECT_TRUE(TargetsIntact());
    EXPECT_TRUE(Exists(data_ + L"\\Parts.lib"));
    Clean();
  }

  // The cheap check after each run; the machine is compared once all ran
  // (nothing a run changes outside the product can be undone by a later one).
  bool TargetsIntact() const {
    return std::all_of(targets_.begin(), targets_.end(),
                       [](const std::wstring& target) { return ReadBytes(target) == "not the product's"; });
  }

  std::list<JournalEntry> Entries() const {
    wchar_t shortOther[MAX_PATH] = {};
    ::GetShortPathNameW(targets_[0].c_str(), shortOther, MAX_PATH);
    std::list<JournalEntry> entries = {
        DoneEntry(JournalEntryKind::File, targets_[0], 0),
        DoneEntry(JournalEntryKind::File, targets_[1], 3),
        DoneEntry(JournalEntryKind::File, targets_[1], 4),
        DoneEntry(JournalEntryKind::File, targets_[2], 3),
        DoneEntry(JournalEntryKind::DesktopShortcut, targets_[3]),
        DoneEntry(JournalEntryKind::File, targets_[4], 3),
        DoneEntry(JournalEntryKind::File, targets_[5], 3),
        DoneEntry(JournalEntryKind::File, targets_[6], 0),
        DoneEntry(JournalEntryKind::File, windows_ + L".\\QwWin.ini", 0),
        DoneEntry(JournalEntryKind::File, shortOther, 0),
        DoneEntry(JournalEntryKind::File, targets_[0] + L"::$DATA", 0),
        DoneEntry(JournalEntryKind::File, install_ + L"\\..\\..\\QwOtherVendor\\other.exe", 0),
        DoneEntry(JournalEntryKind::File, install_ + L"\\CON", 0),
        DoneEntry(JournalEntryKind::ProgramShortcut, data_ + L"\\Parts.lib"),
        DoneEntry(JournalEntryKind::File, data_ + L"\\Parts.lib", 0),
        DoneEntry(JournalEntryKind::Folder, users_),
        DoneEntry(JournalEntryKind::Folder, KnownFolder(CSIDL_PROGRAM_FILES) + L"\\QwOtherVendor")};
    return entries;
  }

  std::wstring windows_;
  std::wstring users_;
  std::vector<std::wstring> targets_;
  std::vector<std::wstring> madeFolders_;
  MachineSnapshot before_;
};

TEST_F(HostileLog, UnderProgramFilesEachEntryAloneAndAllTogetherTouchNothingOutsideTheProduct) {
  for (const JournalEntry& entry : Entries()) RunWith({entry}, entry.path);
  RunWith(Entries(), L"all together");
  EXPECT_EQ(ChangedOutsideTheProduct(), std::vector<std::wstring>());
}

TEST_F(HostileLog, UnderADriveRootAllTogetherAndHeadersThatWidenThePlacesTouchNothing) {
  PlaceUnder(L"C:");
  RunWith(Entries(), L"all together");
  for (const wchar_t* header : {L"C:\\users", L"C:\\", L"Z:\\tmp", L"C:\\Program Files"})
    RunWith(Entries(), header, false, header);
  EXPECT_EQ(ChangedOutsideTheProduct(), std::vector<std::wstring>());
}

TEST_F(HostileLog, NoProgramButTheProductsOwnIsRunForTheUnregistration) {
  const std::wstring batch = install_ + L"\\Meridel.bat";
  const std::wstring marker = users_ + L"\\Public\\QwBatchRan.txt";
  // A batch file and another vendor's program inside the installation
  // folder (a kind-1 file may lie there), and a program outside it.
  for (const std::wstring& program : {batch, install_ + L"\\Other.exe", targets_[0]}) {
    Install(1, false, {DoneEntry(JournalEntryKind::File, program, 1)});
    if (program == batch)
      WriteFile(batch, ("@echo ran > \"" + std::string(marker.begin(), marker.end()) + "\"\r\n").c_str());
    if (program == install_ + L"\\Other.exe") {
      wchar_t system[MAX_PATH] = {};
      ::GetSystemDirectoryW(system, MAX_PATH);
      ASSERT_TRUE(::CopyFileW((std::wstring(system) + L"\\hostname.exe").c_str(), program.c_str(), FALSE));
    }
    const std::wstring log = install_ + L"\\Uninstall.ulog";
    UninstallLog::Contents contents = UninstallLog::ReadForRemoval(log);
    contents.log.entries.push_back(DoneEntry(JournalEntryKind::SelfRegistration, L""));
    ::SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(UninstallLog::Write(log, {L"Meridel 6.07c", L"Meridel 6"}, contents.log.entries, install_, L"",
                                    L""));
    EXPECT_EQ(RunQuiet(), static_cast<DWORD>(ERROR_INSTALL_FAILURE)) << program;
    EXPECT_FALSE(Exists(marker)) << program;
    GoneWithin(install_ + L"\\Uninstall.exe", 20000);
    if (program != targets_[0]) {
      ::SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileW(program.c_str());
    }
    Clean();
  }
  EXPECT_EQ(ChangedOutsideTheProduct(), std::vector<std::wstring>());
}

// A log cut at any line end is no finished installation's: what it lists
// goes, the log, the uninstaller and the uninstall entry stay, and a run
// with the whole log put back finishes the removal.
TEST_F(UninstallerRun, ALogCutAtEachLineEndIsFinishedByALaterRun) {
  Install();
  const std::wstring log = install_ + L"\\Uninstall.ulog";
  const std::string whole = ReadBytes(log);
  std::vector<std::size_t> lineEnds;
  for (std::size_t i = 2; i + 3 < whole.size(); i += 2) {
    if (whole[i] == '\n' && whole[i + 1] == 0) lineEnds.push_back(i + 2);
  }
  ASSERT_GT(lineEnds.size(), 8u);
  // After the header, up to (not including) the last line, the uninstall key's.
  for (std::size_t k = 6; k + 1 < lineEnds.size(); ++k) {
    SCOPED_TRACE(k);
    Install();
    ::SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteBytes(log, whole.substr(0, lineEnds[k]));
    EXPECT_EQ(RunQuiet(), static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    EXPECT_TRUE(Exists(log));
    EXPECT_TRUE(Exists(install_ + L"\\Uninstall.exe"));
    EXPECT_EQ(::SHGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    ::SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteBytes(log, whole);
    EXPECT_EQ(RunQuiet(), 0u);
    EXPECT_TRUE(GoneWithin(install_, 20000));
    EXPECT_TRUE(GoneWithin(maker_, 20000));
    EXPECT_NE(::SHGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    Clean();
  }
}

// Another installation took over the uninstall entry and the product path
// value: this uninstaller leaves them to it.
TEST_F(UninstallerRun, EntriesThatNameAnotherInstallationStay) {
  Install();
  const std::wstring other = L"C:\\Other\\Uninstall.exe";
  ::SHSetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", REG_SZ, other.c_str(),
                static_cast<DWORD>((other.size() + 1) * 2));
  const std::wstring program = L"C:\\Other\\Meridel.exe";
  ::SHSetValueW(HKEY_LOCAL_MACHINE, kMakerKey, L"Meridel 6 Path", REG_SZ, program.c_str(),
                static_cast<DWORD>((program.size() + 1) * 2));
  EXPECT_EQ(RunQuiet(), 0u);
  EXPECT_EQ(::SHGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(::SHGetValueW(HKEY_LOCAL_MACHINE, kMakerKey, L"Meridel 6 Path", nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_FALSE(Exists(install_ + L"\\Meridel.dat"));
}

}  // namespace
}  // namespace qw::test
