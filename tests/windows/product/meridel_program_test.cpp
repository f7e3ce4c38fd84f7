// The sample program observed from outside: its version resource, its
// architecture, the instance counter it holds while it runs, and the
// installer's start-up seeing it as the running product.

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "build_tree.h"
#include "child_process.h"
#include "dialog_driver.h"
#include "platform/file_version_info.h"
#include "platform/handles.h"
#include "platform/instance_counter.h"
#include "product/lang/language_strings.h"
#include "product/meridel/main_window.h"
#include "wine.h"
#include "sample_product_manifest.h"

namespace qw::test {
namespace {

std::wstring ProgramPath(const wchar_t* name) { return ProductFolder() + L"bin\\" + name; }

TEST(MeridelProgram, VersionResourceNamesTheProduct) {
  const FileVersionInfo info = FileVersionInfo::FromFile(ProgramPath(L"Meridel.exe"));
  ASSERT_FALSE(info.empty());
  EXPECT_EQ(info.FixedFileVersion(), 0x0006000700030001ull);
  EXPECT_EQ(info.StringValue(L"FileVersion"), L"6.7.3.1");
  EXPECT_EQ(info.DisplayName(::GetThreadLocale()), L"Meridel 6.07c");
  EXPECT_EQ(info.StringValue(L"CompanyName"), L"Quillon Works");
  EXPECT_EQ(info.StringValue(L"FileDescription"), L"Meridel 6.07c");
  EXPECT_EQ(info.StringValue(L"ApplicationId"), L"Meridel6");
}

TEST(MeridelProgram, CarriesTheApplicationIcon) {
  const UniqueModule module(::LoadLibraryExW(ProgramPath(L"Meridel.exe").c_str(), nullptr,
                                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  ASSERT_TRUE(module);
  EXPECT_TRUE(::FindResourceW(module.get(), MAKEINTRESOURCEW(128), RT_GROUP_ICON));
}

// A program or library that this tree builds (bin/ holds the DirectX
// setup's cabinets too).
bool IsBuiltImage(const SampleProductFile& file) {
  const std::wstring& source = file.source;
  auto endsWith = [&source](const wchar_t* tail) {
    const std::size_t n = wcslen(tail);
    return source.size() >= n && source.compare(source.size() - n, n, tail) == 0;
  };
  return source.compare(0, 4, L"bin/") == 0 && (endsWith(L".exe") || endsWith(L".dll"));
}

TEST(ProductPrograms, AreBuiltForThisTreesArchitecture) {
  int programs = 0;
  for (const SampleProductFile& file : ReadSampleProductManifest()) {
    if (!IsBuiltImage(file)) continue;
    bool ok = false;
    const std::vector<char> image = ReadWholeFile(file.path, ok);
    ASSERT_TRUE(ok) << ::testing::PrintToString(file.path);
    EXPECT_EQ(ImageMachine(image.data(), image.size()), ThisTreesMachine()) << ::testing::PrintToString(file.name);
    ++programs;
  }
  // The program, the uninstaller, twelve language libraries and the two
  // libraries of the DirectX setup.
  EXPECT_EQ(programs, 16);
}

// A time stamp in the image would make every build's payload differ.
TEST(ProductPrograms, CarryNoLinkTimeStamp) {
  int programs = 0;
  for (const SampleProductFile& file : ReadSampleProductManifest()) {
    if (!IsBuiltImage(file)) continue;
    bool ok = false;
    const std::vector<char> image = ReadWholeFile(file.path, ok);
    ASSERT_TRUE(ok && ImageMachine(image.data(), image.size()) != 0) << ::testing::PrintToString(file.path);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    const auto* header = reinterpret_cast<const IMAGE_FILE_HEADER*>(image.data() + dos->e_lfanew + 4);
    EXPECT_EQ(header->TimeDateStamp, 0u) << ::testing::PrintToString(file.name);
    ++programs;
  }
  EXPECT_EQ(programs, 16);
}

struct WindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  wchar_t className[64] = {};
  ::GetClassNameW(window, className, 64);
  if ((search->processId == 0 || owner == search->processId) && std::wstring(className) == L"QwMeridelSampleWindow" &&
      ::IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The program's window in process `processId`, or in any process for 0.
HWND WaitForMainWindow(DWORD processId, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  do {
    WindowSearch search{processId, nullptr};
    ::EnumWindows(&FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    ::Sleep(50);
  } while (::GetTickCount() - start < timeoutMs);
  return nullptr;
}

TEST(MeridelProgram, HoldsTheInstanceCounterWhileItRuns) {
  // A handle of our own to the application's counter: it reads the count
  // without adding to it.
  InstanceCounter counter(L"Meridel6");
  const std::uint32_t before = counter.Count();

  ChildProcess program = ChildProcess::Start(ProgramPath(L"Meridel.exe"), L"");
  ASSERT_TRUE(program.valid()) << "CreateProcess failed: " << ::GetLastError();
  const HWND window = WaitForMainWindow(program.id(), 20000);
  ASSERT_NE(window, nullptr) << "no window; running: " << program.Running();
  wchar_t title[64] = {};
  ::GetWindowTextW(window, title, 64);
  EXPECT_STREQ(title, L"Meridel 6.07c");
  EXPECT_EQ(counter.Count(), before + 1);

  ::PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program.WaitForExit(20000));
  EXPECT_EQ(program.ExitCode(), 0u);
  EXPECT_EQ(counter.Count(), before);
}

TEST(MeridelProgram, ExtraCommandLineStillShowsTheWindow) {
  ChildProcess program = ChildProcess::Start(ProgramPath(L"Meridel.exe"), L"/Whatever now");
  ASSERT_TRUE(program.valid());
  const HWND window = WaitForMainWindow(program.id(), 20000);
  ASSERT_NE(window, nullptr);
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program.WaitForExit(20000));
  EXPECT_EQ(program.ExitCode(), 0u);
}

std::wstring LibraryDescription(const std::wstring& code) {
  const UniqueModule library(::LoadLibraryExW((ProductFolder() + L"bin\\Lang\\Meridel." + code + L".dll").c_str(),
                                              nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  const wchar_t* text = nullptr;
  const int length = library ? ::LoadStringW(library.get(), IDS_PRODUCT_DESCRIPTION, reinterpret_cast<LPWSTR>(&text), 0) : 0;
  return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

// Starts the program in a Unix locale, reads its description and language
// lines, and closes it again.
void ExpectTextsIn(const std::wstring& unixLocale, const std::wstring& libraryCode) {
  SCOPED_TRACE(::testing::PrintToString(unixLocale));
  InstanceCounter counter(L"Meridel6");
  ASSERT_EQ(counter.Count(), 0u) << "another process of the application is running";
  ASSERT_TRUE(StartInUnixLocale(ProgramPath(L"Meridel.exe"), unixLocale));
  const HWND window = WaitForMainWindow(0, 20000);
  ASSERT_NE(window, nullptr);
  const std::wstring expected = LibraryDescription(libraryCode);
  EXPECT_FALSE(expected.empty());
  EXPECT_EQ(WindowText(::GetDlgItem(window, meridel::kDescriptionTextId)), expected);
  const std::wstring language = WindowText(::GetDlgItem(window, meridel::kLanguageTextId));
  EXPECT_NE(language.find(L"\\Lang\\Meridel." + libraryCode + L".dll"), std::wstring::npos)
      << ::testing::PrintToString(language);
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitForWindowGone(window));
  // The process is not ours to wait for: its unit leaves the count when it ends.
  for (int i = 0; i < 200 && counter.Count() != 0; ++i) ::Sleep(50);
  EXPECT_EQ(counter.Count(), 0u);
}

TEST(MeridelProgram, SpeaksTheUserLanguageThroughItsLanguageLibrary) {
  if (!RunningUnderWine()) GTEST_SKIP() << "the user language is chosen through Wine's Unix locale";
  ExpectTextsIn(L"de_DE.UTF-8", L"de");
  ExpectTextsIn(L"vi_VN.UTF-8", L"vi");
  // No French library: the English one speaks.
  ExpectTextsIn(L"fr_FR.UTF-8", L"en");
}

TEST(MeridelProgram, TheInstallerAsksToCloseIt) {
  InstanceCounter counter(L"Meridel6");
  ASSERT_EQ(counter.Count(), 0u) << "another process of the application is running";
  ChildProcess program = ChildProcess::Start(ProgramPath(L"Meridel.exe"), L"");
  ASSERT_TRUE(program.valid());
  const HWND window = WaitForMainWindow(program.id(), 20000);
  ASSERT_NE(window, nullptr);

  ChildProcess installer = ChildProcess::Start(QW_TEST_INSTALLER, L"");
  ASSERT_TRUE(installer.valid());
  const HWND box = WaitForMessageBox(installer.id());
  ASSERT_NE(box, nullptr) << "the installer did not ask";
  EXPECT_EQ(MessageBoxText(box), L"You should close 'Meridel' before continuing Installation.");
  ASSERT_TRUE(PressButton(box, IDCANCEL));
  ASSERT_TRUE(installer.WaitForExit(20000));

  ::PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(program.WaitForExit(20000));
  EXPECT_EQ(counter.Count(), 0u);
}


// The document type, observed in the registry and through the shell.
const wchar_t kExtension[] = L".mr-proj";
const wchar_t kProgId[] = L"Meridel.Project.6";

std::wstring ClassesDefault(const std::wstring& subkey) {
  wchar_t text[512] = {};
  DWORD size = sizeof text - sizeof(wchar_t);
  if (::RegGetValueW(HKEY_CLASSES_ROOT, subkey.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text, &size) !=
      ERROR_SUCCESS) {
    return L"<none>";
  }
  return text;
}

bool ClassesKeyExists(const std::wstring& subkey) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, subkey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

// Runs Meridel.exe with `arguments` to its end; its exit code.
DWORD RunMeridelTask(const wchar_t* arguments) {
  ChildProcess program = ChildProcess::Start(ProgramPath(L"Meridel.exe"), arguments);
  if (!program.valid() || !program.WaitForExit(30000)) return 0xDEAD;
  return program.ExitCode();
}

constexpr DWORD kRegistered = static_cast<DWORD>(-10);

class MeridelDocumentType : public ::testing::Test {
 protected:
  void SetUp() override {
    ::SHDeleteKeyW(HKEY_CLASSES_ROOT, kProgId);
    ::SHDeleteKeyW(HKEY_CLASSES_ROOT, kExtension);
  }
  void TearDown() override { SetUp(); }
};

TEST_F(MeridelDocumentType, RegisterWritesTheTypeAndUnregisterRemovesExactlyIt) {
  const std::wstring program = ProgramPath(L"Meridel.exe");
  ASSERT_EQ(RunMeridelTask(L"/Register /Background"), kRegistered);
  EXPECT_EQ(ClassesDefault(kExtension), kProgId);
  EXPECT_EQ(ClassesDefault(kProgId), L"Meridel Project");
  EXPECT_EQ(ClassesDefault(std::wstring(kProgId) + L"\\DefaultIcon"), program + L",0");
  EXPECT_EQ(ClassesDefault(std::wstring(kProgId) + L"\\shell\\open\\command"), L"\"" + program + L"\" \"%1\"");

  ASSERT_EQ(RunMeridelTask(L"/Unregister /Background"), kRegistered);
  EXPECT_FALSE(ClassesKeyExists(kExtension));
  EXPECT_FALSE(ClassesKeyExists(kProgId));
  // Nothing left to remove is no failure.
  EXPECT_EQ(RunMeridelTask(L"/Unregister /Background"), kRegistered);
}

TEST_F(MeridelDocumentType, UnregisterLeavesAnExtensionAnotherProgramTookOver) {
  ASSERT_EQ(RunMeridelTask(L"/Register /Background"), kRegistered);
  const wchar_t other[] = L"Other.Project";
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CLASSES_ROOT, kExtension, nullptr, REG_SZ, other, sizeof other), ERROR_SUCCESS);
  ASSERT_EQ(RunMeridelTask(L"/Unregister /Background"), kRegistered);
  EXPECT_EQ(ClassesDefault(kExtension), other);
  EXPECT_FALSE(ClassesKeyExists(kProgId));
}

TEST_F(MeridelDocumentType, OpeningAProjectFromTheShellStartsTheProgram) {
  ASSERT_EQ(RunMeridelTask(L"/Register /Background"), kRegistered);
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring project = std::wstring(temp) + UniqueName(L"Garden") + L".mr-proj";
  {
    const UniqueFile file(::CreateFileW(project.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
  }
  SHELLEXECUTEINFOW execute = {};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  execute.lpVerb = L"open";
  execute.lpFile = project.c_str();
  execute.nShow = SW_SHOWNORMAL;
  const bool opened = ::ShellExecuteExW(&execute);
  const UniqueHandle process(execute.hProcess);
  ::DeleteFileW(project.c_str());
  ASSERT_TRUE(opened) << "ShellExecuteExW failed: " << ::GetLastError();

  const HWND window = WaitForMainWindow(0, 20000);
  ASSERT_NE(window, nullptr) << "the shell did not start Meridel.exe";
  DWORD windowProcess = 0;
  ::GetWindowThreadProcessId(window, &windowProcess);
  // SYNCHRONIZE too: the wait at the end must see the program gone, or the
  // next test finds the product still running.
  const UniqueHandle started(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, windowProcess));
  wchar_t image[MAX_PATH] = {};
  DWORD length = MAX_PATH;
  ASSERT_TRUE(started && ::QueryFullProcessImageNameW(started.get(), 0, image, &length));
  EXPECT_EQ(::lstrcmpiW(image, ProgramPath(L"Meridel.exe").c_str()), 0) << ::testing::PrintToString(std::wstring(image));
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  if (started) {
    EXPECT_EQ(::WaitForSingleObject(started.get(), 20000), WAIT_OBJECT_0);
  }
}

}  // namespace
}  // namespace qw::test
