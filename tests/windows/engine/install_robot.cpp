#include "install_robot.h"


#include <shlobj.h>

#include "build_tree.h"
#include "child_process.h"
#include "installer_copy.h"
#include "wine.h"
#include "wizard_expectations.h"

namespace qw::test {

std::wstring SpecialFolderPath(int csidl) {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

std::wstring ProgramFilesFolder() { return SpecialFolderPath(CSIDL_PROGRAM_FILES); }
std::wstring DefaultInstallFolder() { return ProgramFilesFolder() + L"\\Quillon Works\\Meridel 6"; }
std::wstring DefaultStartMenuFolder() {
  return SpecialFolderPath(CSIDL_COMMON_PROGRAMS) + L"\\Quillon Works\\Meridel 6";
}
std::wstring CommonDesktopFolder() { return SpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY); }

std::wstring InstalledPath(const std::wstring& destination, const std::wstring& installFolder,
                           const std::wstring& samplesName) {
  const std::size_t end = destination.find(L'>');
  const std::wstring token = destination.substr(0, end + 1), rest = destination.substr(end + 1);
  if (token == L"<InstallPath>") return installFolder + rest;
  if (token == L"<SamplePath>") return CommonDesktopFolder() + L"\\" + samplesName + rest;
  if (token == L"<CommonData>") return SpecialFolderPath(CSIDL_COMMON_APPDATA) + rest;
  if (token == L"<UserData>") return SpecialFolderPath(CSIDL_APPDATA) + rest;
  if (token == L"<ProgramFiles>") return ProgramFilesFolder() + rest;
  if (token == L"<CommonDocuments>") return SpecialFolderPath(CSIDL_COMMON_DOCUMENTS) + rest;
  if (token == L"<Documents>") return SpecialFolderPath(CSIDL_PERSONAL) + rest;
  if (token == L"<CommonDesktop>") return CommonDesktopFolder() + rest;
  if (token == L"<Desktop>") return SpecialFolderPath(CSIDL_DESKTOPDIRECTORY) + rest;
  return std::wstring();
}

std::vector<std::wstring> LeftoverTemporaryFolders() {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::vector<std::wstring> found;
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((std::wstring(temp) + L"quillon_{*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return found;
  do {
    found.push_back(std::wstring(temp) + data.cFileName);
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return found;
}

// Rule lines of a run: dashes only (the options summary's has a title).
std::size_t RunRules(const std::wstring& log) {
  std::size_t rules = 0;
  for (const std::wstring& line : Lines(log)) {
    rules += !line.empty() && line.find_first_not_of(L'-') == std::wstring::npos;
  }
  return rules;
}

RunResult PressInstall(InstallerRobot& robot, DWORD timeoutMs) {
  RunResult result;
  const std::size_t rulesBefore = RunRules(robot.Text(kLog));
  if (!robot.Click(kNext)) return result;
  // The run has begun once its rule line is there, and has ended when Exit
  // is enabled again with the final status: succeeded or failed.
  result.finished = WaitUntil(
      [&] {
        const std::wstring status = robot.Text(kStatus);
        return RunRules(robot.Text(kLog)) > rulesBefore && robot.IsEnabled(kExit) &&
               (status.find(L"(") != std::wstring::npos ||
                                          status == L"Click on 'Next' to continue." ||
                                          status.find(L"Suivant") != std::wstring::npos);
      },
      timeoutMs);
  result.status = robot.Text(kStatus);
  result.log = robot.Text(kLog);
  result.succeeded = result.finished && result.status.find(L"(") == std::wstring::npos;
  return result;
}

void StartQuick(InstallerRobot& robot, const std::wstring& installer, const std::wstring& locale) {
  ASSERT_TRUE(robot.Start(installer, locale));
  ASSERT_TRUE(robot.WaitForPage(Page::Start));
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Mode));
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Install));
  ASSERT_TRUE(WaitUntil([&] { return robot.IsEnabled(kNext); }));
}

std::wstring RecordFolder() { return SpecialFolderPath(CSIDL_COMMON_APPDATA) + L"\\Meridel 6 Recovery"; }

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

void StartAdvanced(InstallerRobot& robot, const std::wstring& installer, const std::wstring& folder,
                   std::optional<bool> startMenu, std::optional<bool> desktop) {
  ASSERT_TRUE(robot.Start(installer));
  ASSERT_TRUE(robot.GoFromStartToPathPage());
  Send(robot.Control(IDC_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Shortcut));
  auto set = [&](int id, std::optional<bool> choice) {
    if (!choice) return;
    const bool wanted = *choice;
    if ((Send(robot.Control(id), BM_GETCHECK) == BST_CHECKED) != wanted) {
      ASSERT_TRUE(robot.Click(id));
    }
    ASSERT_TRUE(WaitUntil([&] { return (Send(robot.Control(id), BM_GETCHECK) == BST_CHECKED) == wanted; }));
  };
  set(IDC_MENU_SHORTCUT, startMenu);
  set(IDC_DESKTOP_SHORTCUT, desktop);
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Install));
}

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string CaptureOutput(const std::wstring& commandLine, DWORD timeoutMs) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return std::string();
  UniqueHandle reader(readEnd), writer(writeEnd);
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = nullptr;
  PROCESS_INFORMATION info{};
  std::wstring line = commandLine;
  if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &info)) {
    return std::string();
  }
  UniqueHandle process(info.hProcess), thread(info.hThread);
  writer.reset();
  std::string output;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0) output.append(buffer, read);
  ::WaitForSingleObject(info.hProcess, timeoutMs);
  return output;
}

void InstallationTest::SetUp() {
  testArchive_ = ReadArchiveFile(QW_TEST_PAYLOAD);
  testListed_ = ReadPackerList(QW_TEST_PAYLOAD_LIST);
  ASSERT_FALSE(testArchive_.empty());
  ASSERT_FALSE(testListed_.empty());
  before_ = TakeMachineSnapshot(SnapshotRoots());
}

void InstallationTest::TearDown() {
  RemoveAdditions(before_, TakeMachineSnapshot(SnapshotRoots()), ComparisonExclusions());
}

std::vector<std::wstring> InstallationTest::ChangesSinceSetUp() const {
  return Differences(before_, TakeMachineSnapshot(SnapshotRoots()), ComparisonExclusions());
}

std::wstring InstallationTest::InstallerWith(const std::string& archive, const std::wstring& name) const {
  // Beside the test programs, which every lane shares.
  const std::wstring path = TestProgramFolder() + name + LaneSuffix() + L".exe";
  EXPECT_TRUE(MakeInstallerWithPayload(QW_TEST_INSTALLER, path, archive)) << "cannot make " << name.size();
  return path;
}

}  // namespace qw::test
