// Process initialisation checks: the processor check's message and exit
// code (in a child process, since it ends the process) and the acceptance
// rule of the common-controls library.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/common_controls.h"
#include "platform/configuration_check.h"
#include "platform/handles.h"

namespace {

constexpr wchar_t kWithoutSse2[] = L"--configuration-check-without-sse2";

struct Child {
  qw::UniqueHandle process;
  DWORD id = 0;
};

Child StartSelf(const wchar_t* argument) {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring commandLine = L"\"" + std::wstring(self) + L"\" " + argument;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  Child child;
  if (::CreateProcessW(self, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info)) {
    ::CloseHandle(info.hThread);
    child.process.reset(info.hProcess);
    child.id = info.dwProcessId;
  }
  return child;
}

struct Search {
  DWORD process;
  HWND found;
};

BOOL CALLBACK FindDialogOfProcess(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  wchar_t className[16] = {};
  ::GetClassNameW(window, className, 16);
  if (owner == s->process && std::wstring(className) == L"#32770" && ::IsWindowVisible(window)) {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}

// The first message box (dialog class) shown by `process`, waiting up to
// `milliseconds`; null when none appeared.
HWND WaitForMessageBox(DWORD process, DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  do {
    Search search{process, nullptr};
    ::EnumWindows(FindDialogOfProcess, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    ::Sleep(50);
  } while (::GetTickCount() - start < milliseconds);
  return nullptr;
}

std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  ::GetWindowTextW(window, text, 1024);
  return text;
}

TEST(ConfigurationCheck, PassesWithSse2) {
  // Static initialisation of this program ran nothing; the check does.
  qw::ConfigurationCheck();
  EXPECT_TRUE(qw::ConfigurationCheckPassed());
}

TEST(ConfigurationCheck, WithoutSse2ShowsOneBoxAndExitsWithOne) {
  Child child = StartSelf(kWithoutSse2);
  ASSERT_TRUE(child.process) << "CreateProcess failed";
  HWND box = WaitForMessageBox(child.id, 20000);
  ASSERT_NE(box, nullptr) << "no message box";
  EXPECT_EQ(WindowText(::GetDlgItem(box, 0xFFFF)), qw::kIncompatibleConfigurationText);
  EXPECT_EQ(WindowText(box), L"Error");  // no caption given: the system's default
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_EQ(::WaitForSingleObject(child.process.get(), 20000), WAIT_OBJECT_0);
  DWORD exitCode = 0;
  ::GetExitCodeProcess(child.process.get(), &exitCode);
  EXPECT_EQ(exitCode, 1u);
}

TEST(CommonControls, AcceptsVersionSixOrTheSideBySideAssembly) {
  const std::wstring system = L"C:\\windows\\system32\\comctl32.dll";
  const std::wstring assembly =
      L"C:\\windows\\winsxs\\x86_microsoft.windows.common-controls_6595b64144ccf1df_"
      L"6.0.2600.2982_none_deadbeef\\COMCTL32.DLL";
  EXPECT_TRUE(qw::CommonControlsAcceptable(0x60000, system));
  EXPECT_TRUE(qw::CommonControlsAcceptable(0x6000A, system));
  EXPECT_FALSE(qw::CommonControlsAcceptable(0x50051, system));  // 5.81
  EXPECT_TRUE(qw::CommonControlsAcceptable(0x50051, assembly));
  // Another assembly of the side-by-side store is not the 6.0 library.
  EXPECT_FALSE(qw::CommonControlsAcceptable(
      0x50051, L"C:\\windows\\winsxs\\x86_microsoft.windows.gdiplus_6595b64144ccf1df_1.1.0.0_x\\gdiplus.dll"));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--configuration-check-without-sse2") {
    qw::ConfigurationCheck(false);
    return 0;  // not reached: the check ends the process
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
