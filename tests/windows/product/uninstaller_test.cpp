// Uninstall.exe observed from outside: an installation laid out by hand in
// Program Files with a log written by the installer's own writer, then
// "Uninstall.exe /quiet", and the files, keys and exit code compared.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <iterator>
#include <list>

#include "child_process.h"
#include "engine/uninstall_log.h"
#include "platform/file_version_info.h"
#include "sample_product_manifest.h"

namespace qw::test {
namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Meridel 6";
constexpr wchar_t kMakerKey[] = L"Software\\Quillon Works";

std::wstring UninstallerPath() { return ProductFolder() + L"bin\\Uninstall.exe"; }

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

JournalEntry Entry(JournalEntryKind kind, const std::wstring& path, std::int32_t value = -1) {
  JournalEntry entry;
  entry.kind = kind;
  entry.path = path;
  entry.value = value;
  entry.done = true;
  return entry;
}

void WriteFile(const std::wstring& path, const char* text) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ::WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
  ::CloseHandle(file);
}

class UninstallerRun : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t programFiles[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, programFiles)));
    maker_ = std::wstring(programFiles) + L"\\QwUninstallTest";
    install_ = maker_ + L"\\Meridel 6";
    Clean();
    ::SHSetValueW(HKEY_LOCAL_MACHINE, kMakerKey, L"QwUninstallTest", REG_SZ, L"", 2);
    ::SHDeleteValueW(HKEY_LOCAL_MACHINE, kMakerKey, L"QwUninstallTest");
  }
  void TearDown() override { Clean(); }

  void Clean() {
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

  // A first installation: two folders, the uninstaller, a program file, a
  // library of kind 3, the uninstall key and the product path value.
  void Install(int logVersion = 1, bool withProgram = false) {
    ASSERT_TRUE(::CreateDirectoryW(maker_.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(install_.c_str(), nullptr));
    ASSERT_TRUE(::CopyFileW(UninstallerPath().c_str(), (install_ + L"\\Uninstall.exe").c_str(), FALSE));
    WriteFile(install_ + L"\\Meridel.dat", "program file");
    WriteFile(install_ + L"\\Parts.lib", "library");
    std::list<JournalEntry> entries = {Entry(JournalEntryKind::Folder, maker_),
                                       Entry(JournalEntryKind::Folder, install_),
                                       Entry(JournalEntryKind::File, install_ + L"\\Uninstall.exe", 2),
                                       Entry(JournalEntryKind::File, install_ + L"\\Meridel.dat", 0),
                                       Entry(JournalEntryKind::File, install_ + L"\\Parts.lib", 3),
                                       Entry(JournalEntryKind::UninstallKey, L"")};
    if (withProgram) {
      // The program registered itself as the installer has it do.
      const std::wstring program = install_ + L"\\Meridel.exe";
      ASSERT_TRUE(::CopyFileW((ProductFolder() + L"bin\\Meridel.exe").c_str(), program.c_str(), FALSE));
      ChildProcess run = ChildProcess::Start(program, L"/Register /Background");
      ASSERT_TRUE(run.WaitForExit(30000));
      ASSERT_EQ(run.ExitCode(), static_cast<DWORD>(-10));
      entries.insert(std::prev(entries.end()), Entry(JournalEntryKind::File, program, 1));
      entries.push_back(Entry(JournalEntryKind::SelfRegistration, L""));
    }
    ASSERT_TRUE(UninstallLog::Write(install_ + L"\\Uninstall.ulog", {L"Meridel 6.07c", L"Meridel 6"}, entries,
                                    install_, L"", L""));
    if (logVersion != 1) {
      ::SetFileAttributesW((install_ + L"\\Uninstall.ulog").c_str(), FILE_ATTRIBUTE_NORMAL);
      WriteFile(install_ + L"\\Uninstall.ulog", "// Uninstall Log File v2\r\n");
    }
    const std::wstring uninstaller = install_ + L"\\Uninstall.exe";
    ::SHSetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", REG_SZ, uninstaller.c_str(),
                  static_cast<DWORD>((uninstaller.size() + 1) * 2));
    const std::wstring program = install_ + L"\\Meridel.exe";
    ::SHSetValueW(HKEY_LOCAL_MACHINE, kMakerKey, L"Meridel 6 Path", REG_SZ, program.c_str(),
                  static_cast<DWORD>((program.size() + 1) * 2));
  }

  DWORD RunQuiet() {
    ChildProcess uninstaller = ChildProcess::Start(install_ + L"\\Uninstall.exe", L"/quiet");
    EXPECT_TRUE(uninstaller.valid()) << ::GetLastError();
    EXPECT_TRUE(uninstaller.WaitForExit(60000));
    return uninstaller.ExitCode();
  }

  // The second phase removes the uninstaller a moment after it ended.
  bool GoneWithin(const std::wstring& path, DWORD milliseconds) {
    for (DWORD waited = 0; waited < milliseconds; waited += 100) {
      if (!Exists(path)) return true;
      ::Sleep(100);
    }
    return !Exists(path);
  }

  std::wstring maker_;
  std::wstring install_;
};

TEST(Uninstaller, VersionResourceNamesTheProduct) {
  const FileVersionInfo info = FileVersionInfo::FromFile(UninstallerPath());
  ASSERT_FALSE(info.empty());
  EXPECT_EQ(info.FixedFileVersion(), 0x0006000700030001ull);
  EXPECT_EQ(info.DisplayName(), L"Meridel 6.07c");
  EXPECT_EQ(info.StringValue(L"OriginalFilename"), L"Uninstall.exe");
  EXPECT_EQ(info.StringValue(L"ApplicationId"), L"Meridel6");
}

TEST_F(UninstallerRun, QuietRemovesTheInstallationKeepsUserDataAndThenItself) {
  Install();
  EXPECT_EQ(RunQuiet(), 0u);
  // Returned once the removal was done: everything but its own file is gone.
  EXPECT_FALSE(Exists(install_ + L"\\Meridel.dat"));
  EXPECT_FALSE(Exists(install_ + L"\\Uninstall.ulog"));
  EXPECT_TRUE(Exists(install_ + L"\\Parts.lib"));
  EXPECT_FALSE(::SHGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS);
  EXPECT_FALSE(::SHGetValueW(HKEY_LOCAL_MACHINE, kMakerKey, L"Meridel 6 Path", nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS);
  EXPECT_TRUE(GoneWithin(install_ + L"\\Uninstall.exe", 20000));
  // The folder holds the kept library, so it stays.
  EXPECT_TRUE(Exists(install_));
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

}  // namespace
}  // namespace qw::test
