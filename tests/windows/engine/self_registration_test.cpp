// The installed program's registration run, with the tests' tiny program in
// the place of the product: it notes how it was started (command line,
// folder, priority, show mode, whether the installer's lock was free) and
// ends with the code the test asks for, or -10 as the product does.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "build_tree.h"
#include "child_process.h"
#include "engine/self_registration.h"
#include "platform/application_lock.h"
#include "platform/system_error.h"
#include "platform_probes.h"
#include "scratch_folder.h"

namespace qw {
namespace {

using test::ScratchFolder;

// The record's lines.
std::vector<std::wstring> ReadRecord(const std::wstring& path) {
  const std::string bytes = test::ReadTestFile(path);
  std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
  bytes.copy(reinterpret_cast<char*>(text.data()), text.size() * sizeof(wchar_t));
  std::vector<std::wstring> lines;
  std::wistringstream in(text);
  for (std::wstring line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class SelfRegistrationRun : public ::testing::Test {
 protected:
  void SetUp() override {
    // A folder with blanks, as "Program Files" is.
    ASSERT_TRUE(::CreateDirectoryW((scratch_ / L"Quillon Works").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(folder_.c_str(), nullptr));
    ASSERT_TRUE(::CopyFileW(QW_TINY_PROGRAM, program_.c_str(), FALSE)) << ::GetLastError();
    ::SetEnvironmentVariableW(L"QW_TINY_RECORD", record_.c_str());
    ::SetEnvironmentVariableW(L"QW_TINY_LOCK", lockName_.c_str());
    ASSERT_TRUE(lock_.owned());
  }
  void TearDown() override {
    for (const wchar_t* name : {L"QW_TINY_RECORD", L"QW_TINY_LOCK", L"QW_TINY_EXIT_CODE"}) {
      ::SetEnvironmentVariableW(name, nullptr);
    }
  }

  ScratchFolder scratch_{L"self_registration"};
  const std::wstring folder_ = scratch_ / L"Quillon Works\\Meridel 6";
  const std::wstring program_ = folder_ + L"\\Meridel.exe";
  const std::wstring record_ = scratch_ / L"record.txt";
  const std::wstring lockName_ = test::UniqueName(L"QwSelfRegistrationLock");
  ApplicationLock lock_{lockName_, true, false};
  InstallJournal journal_{UninstallKeyLocation{HKEY_CURRENT_USER, L"Software\\QwSelfRegistrationTest", L"Meridel 6"}};
};

TEST_F(SelfRegistrationRun, StartsTheProgramInItsFolderAtHighPriorityWithTheLockFreeForTheRun) {
  EXPECT_EQ(RunSelfRegistration(program_, lock_, journal_), std::error_code());
  const std::vector<std::wstring> record = ReadRecord(record_);
  ASSERT_EQ(record.size(), 5u);
  EXPECT_EQ(record[0], L"\"" + program_ + L"\" /Register /Background");
  EXPECT_EQ(record[1], folder_);
  if (const test::ProbeResult probe = test::ProbeCreationPriorityClass(); probe.works) {
    EXPECT_EQ(record[2], std::to_wstring(HIGH_PRIORITY_CLASS));
  } else {
    std::printf("priority class not checked: %s\n", probe.finding.c_str());
  }
  EXPECT_EQ(record[3], std::to_wstring(SW_SHOWNOACTIVATE));
  EXPECT_EQ(record[4], L"free") << "the program may start while the installer runs";
  EXPECT_TRUE(lock_.owned()) << "taken back after the run";
  ASSERT_EQ(journal_.Entries().size(), 1u);
  EXPECT_EQ(journal_.Entries().back().kind, JournalEntryKind::SelfRegistration);
  EXPECT_TRUE(journal_.Entries().back().done);
}

TEST_F(SelfRegistrationRun, AnyOtherEndIsNotARegistration) {
  // Success (0) is not the program's "registered" (-10).
  ::SetEnvironmentVariableW(L"QW_TINY_EXIT_CODE", L"0");
  EXPECT_EQ(RunSelfRegistration(program_, lock_, journal_), SystemError(ERROR_INSTALL_FAILURE));
  // A failure code.
  ::SetEnvironmentVariableW(L"QW_TINY_EXIT_CODE", L"5");
  EXPECT_EQ(RunSelfRegistration(program_, lock_, journal_), SystemError(ERROR_INSTALL_FAILURE));
  // A program that cannot be started: the system's reason.
  const std::error_code notStarted = RunSelfRegistration(folder_ + L"\\Missing.exe", lock_, journal_);
  EXPECT_EQ(notStarted.category(), std::system_category());
  EXPECT_NE(notStarted, SystemError(ERROR_INSTALL_FAILURE));
  EXPECT_TRUE(notStarted);

  EXPECT_TRUE(lock_.owned()) << "taken back on every path";
  ASSERT_EQ(journal_.Entries().size(), 3u);
  for (const JournalEntry& entry : journal_.Entries()) {
    EXPECT_EQ(entry.kind, JournalEntryKind::SelfRegistration);
    EXPECT_FALSE(entry.done);
  }
}

TEST_F(SelfRegistrationRun, APathWithoutBlanksIsNotQuoted) {
  EXPECT_EQ(SelfRegistrationCommandLine(L"C:\\Meridel\\Meridel.exe"), L"C:\\Meridel\\Meridel.exe /Register /Background");
  EXPECT_EQ(SelfRegistrationCommandLine(L"C:\\Program Files\\Meridel.exe"),
            L"\"C:\\Program Files\\Meridel.exe\" /Register /Background");
}


// Paths of 257 to 259 characters with blanks: the whole path is quoted and
// is the application name, so the system never tries the shorter program
// that the first blank would make of it.
TEST_F(SelfRegistrationRun, ALongPathWithBlanksStartsThatProgramAndNoShorterOne) {
  // Another program where the path would be cut at its first blank: had
  // it run instead, nothing would be recorded and the run would not count.
  const std::wstring planted = scratch_ / L"Quillon.exe";
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  ASSERT_TRUE(::CopyFileW((std::wstring(system) + L"\\hostname.exe").c_str(), planted.c_str(), FALSE));
  for (std::size_t length : {257u, 258u, 259u}) {
    SCOPED_TRACE(length);
    // "<scratch>\Quillon Works\xxx...\Meridel.exe": the planted program is
    // what the path would start if it were cut at its first blank.
    const std::wstring base = scratch_ / L"Quillon Works\\";
    const std::size_t fill = length - base.size() - std::wstring(L"\\Meridel.exe").size();
    ASSERT_LT(fill, 248u);
    const std::wstring folder = base + std::wstring(fill, L'm');
    const std::wstring program = folder + L"\\Meridel.exe";
    ASSERT_EQ(program.size(), length);
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(::CopyFileW(QW_TINY_PROGRAM, program.c_str(), FALSE));
    ::DeleteFileW(record_.c_str());
    EXPECT_EQ(RunSelfRegistration(program, lock_, journal_), std::error_code());
    const std::vector<std::wstring> record = ReadRecord(record_);
    ASSERT_FALSE(record.empty());
    EXPECT_EQ(record[0], L"\"" + program + L"\" /Register /Background");
    ::DeleteFileW(program.c_str());
    ::RemoveDirectoryW(folder.c_str());
  }
}

}  // namespace
}  // namespace qw
