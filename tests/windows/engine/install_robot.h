#pragma once
// What the installation tests share: the real installer driven through the
// wizard to the end of an installation, where the product lands, and a
// fixture that snapshots the machine before each test and removes what the
// test installed afterwards. Test support.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "i18n/language_state.h"
#include "i18n/message_id.h"
#include "installer_robot.h"
#include "machine_cleanup.h"
#include "platform/handles.h"
#include "test_payload.h"

namespace qw::test {

// The folders the quick method installs into, asked of the shell.
std::wstring ProgramFilesFolder();
std::wstring DefaultInstallFolder();
std::wstring DefaultStartMenuFolder();
std::wstring CommonDesktopFolder();
std::wstring SpecialFolderPath(int csidl);

// The folder of the product's run records (an interrupted installation's or
// removal's), and a record's text as it is now, without byte order mark;
// empty when there is none. Read while its writer may still append.
std::wstring RecordFolder();
std::wstring ReadRecordText(const std::wstring& path);

// Where a listed destination lands for an installation into `installFolder`
// with samples folder `samplesName`; empty for the temporary folder.
std::wstring InstalledPath(const std::wstring& destination, const std::wstring& installFolder,
                           const std::wstring& samplesName);

// Temporary folders of installer runs left in the user's temporary folder.
std::vector<std::wstring> LeftoverTemporaryFolders();

// The wizard's log and status once an installation ended: succeeded (the
// status asks to click Next) or failed (the status names the error code).
struct RunResult {
  bool finished = false;
  bool succeeded = false;
  std::wstring status;
  std::wstring log;
};

// Presses Install on the Install page and waits for the end of the run.
RunResult PressInstall(InstallerRobot& robot, DWORD timeoutMs = kInstallationTimeoutMs);

// Starts `installer` in `locale` and goes to the Install page by the quick
// method.
void StartQuick(InstallerRobot& robot, const std::wstring& installer, const std::wstring& locale = L"");


// Starts `installer` and goes to the Install page by the advanced method,
// with `folder` typed on the Path page and each shortcut box set as given
// (left as it is without a value).
void StartAdvanced(InstallerRobot& robot, const std::wstring& installer, const std::wstring& folder,
                   std::optional<bool> startMenu = std::nullopt, std::optional<bool> desktop = std::nullopt);

// The lines of a log text, without their "\r\n".
std::vector<std::wstring> Lines(const std::wstring& text);

// Output of a program run to its end with its standard output captured.
std::string CaptureOutput(const std::wstring& commandLine, DWORD timeoutMs = 60000);

class InstallationTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The differences from the snapshot of SetUp, Wine's own left out.
  std::vector<std::wstring> ChangesSinceSetUp() const;
  // An installer copy in the test program's folder carrying `archive`.
  std::wstring InstallerWith(const std::string& archive, const std::wstring& name) const;

  MachineSnapshot before_;
  std::string testArchive_;
  std::vector<ListedEntry> testListed_;
};

}  // namespace qw::test
