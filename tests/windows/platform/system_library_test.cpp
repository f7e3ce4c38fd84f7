// The protection of programs that may run from a folder others can write:
// the library search is restricted before any other static initialiser
// runs, libraries come from the system folder only, and the delay-load
// helper is routed through that loader. This test program links the
// protection the way a program of the product does.

#include <windows.h>

#include <delayimp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>

#include "build_tree.h"
#include "platform/system_libraries_only.h"
#include "platform/system_library.h"

namespace qw {
namespace {

// A static initialiser of default priority, like every other in a program:
// it must find the library search already restricted.
const bool g_protectedBeforeOtherInitialisers = SystemLibrariesOnlyInEffect();

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return text;
}

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH];
  const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
  return Lower(std::wstring(folder, n));
}

// The folder of a loaded module, in lower case.
std::wstring FolderOf(HMODULE module) {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(module, path, MAX_PATH);
  std::wstring folder(path, n);
  folder.resize(folder.find_last_of(L'\\') == std::wstring::npos ? 0 : folder.find_last_of(L'\\'));
  return Lower(folder);
}

TEST(SystemLibrariesOnly, RestrictsTheSearchBeforeOtherStaticInitialisers) {
  EXPECT_TRUE(g_protectedBeforeOtherInitialisers);
  EXPECT_TRUE(SystemLibrariesOnlyInEffect());
  // Wine and every Windows since 8 have SetDefaultDllDirectories.
  EXPECT_TRUE(LibrarySearchRestrictedToSystem());
}

TEST(LoadSystemLibrary, LoadsFromTheSystemFolder) {
  HMODULE module = LoadSystemLibrary(L"bcrypt.dll");
  ASSERT_NE(module, nullptr) << ::GetLastError();
  EXPECT_EQ(FolderOf(module), SystemFolder());
  EXPECT_NE(::GetProcAddress(module, "BCryptGenRandom"), nullptr);
  ::FreeLibrary(module);
}

TEST(LoadSystemLibrary, RefusesAnythingButAFileName) {
  for (const wchar_t* name : {L"C:\\windows\\system32\\version.dll", L".\\version.dll", L"sub/version.dll",
                              L"C:version.dll", L""}) {
    ::SetLastError(0);
    EXPECT_EQ(LoadSystemLibrary(name), nullptr);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  EXPECT_EQ(LoadSystemLibrary(nullptr), nullptr);
}

// A library (any that is not the system's) planted under a name of its own
// in the current folder and beside this program, the two folders that the
// search would otherwise take first. Each test also loads a copy by asking
// for its folder, so that only the restriction keeps the copies out.
class PlantedBesideTheProgram : public ::testing::Test {
 protected:
  static constexpr const wchar_t* kName = L"qw-planted-search.dll";

  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    currentFolder_ = std::wstring(temp) + L"qw-search-" + std::to_wstring(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryW(currentFolder_.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    inCurrentFolder_ = currentFolder_ + L"\\" + kName;
    besideProgram_ = ProgramFolder() + L"\\" + kName;
    ASSERT_TRUE(::CopyFileW(QW_PLANTED_LIBRARY, inCurrentFolder_.c_str(), FALSE)) << ::GetLastError();
    ASSERT_TRUE(::CopyFileW(QW_PLANTED_LIBRARY, besideProgram_.c_str(), FALSE)) << ::GetLastError();
    wchar_t previous[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    previousFolder_ = previous;
    ASSERT_TRUE(::SetCurrentDirectoryW(currentFolder_.c_str()));
  }

  void TearDown() override {
    ::SetCurrentDirectoryW(previousFolder_.c_str());
    for (const std::wstring& path : {inCurrentFolder_, besideProgram_}) {
      ::DeleteFileW(path.c_str());
      ::DeleteFileW((path + L".loaded").c_str());
    }
    ::RemoveDirectoryW(currentFolder_.c_str());
  }

  static std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring program(path, n);
    return program.substr(0, program.find_last_of(L'\\'));
  }

  std::wstring currentFolder_, inCurrentFolder_, besideProgram_, previousFolder_;
};

TEST_F(PlantedBesideTheProgram, ALoadByNameFindsNeitherCopy) {
  ::SetLastError(0);
  HMODULE module = ::LoadLibraryW(kName);
  EXPECT_EQ(module, nullptr) << "loaded from a folder that the search should not include";
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  if (module) ::FreeLibrary(module);

  HMODULE beside = ::LoadLibraryExW(kName, nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
  EXPECT_NE(beside, nullptr) << "the copy beside the program cannot be loaded at all: " << ::GetLastError();
  if (beside) ::FreeLibrary(beside);
}

TEST_F(PlantedBesideTheProgram, LoadSystemLibraryFindsNeitherCopy) {
  ::SetLastError(0);
  HMODULE module = LoadSystemLibrary(kName);
  EXPECT_EQ(module, nullptr) << "loaded from a folder other than the system's";
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  if (module) ::FreeLibrary(module);

  HMODULE current = ::LoadLibraryW(inCurrentFolder_.c_str());
  EXPECT_NE(current, nullptr) << "the copy in the current folder cannot be loaded at all: " << ::GetLastError();
  if (current) ::FreeLibrary(current);
}

TEST(SystemLibrariesOnly, TheDelayLoadHelperAsksTheSystemLoader) {
  ASSERT_NE(__pfnDliNotifyHook2, nullptr);
  DelayLoadInfo info{};
  info.cb = sizeof(info);
  info.szDll = "version.dll";
  const FARPROC answer = __pfnDliNotifyHook2(dliNotePreLoadLibrary, &info);
  ASSERT_NE(answer, nullptr);
  HMODULE module = reinterpret_cast<HMODULE>(reinterpret_cast<void*>(answer));
  EXPECT_EQ(FolderOf(module), SystemFolder());
  // The other notifications leave the helper its own way.
  EXPECT_EQ(__pfnDliNotifyHook2(dliNoteStartProcessing, &info), nullptr);
  EXPECT_EQ(__pfnDliNotifyHook2(dliNotePreGetProcAddress, &info), nullptr);
  ::FreeLibrary(module);
}

TEST(SystemLibrariesOnly, DelayLoadedCallsWork) {
  // This program delay-loads version.dll: the first call loads it.
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  DWORD ignored = 0;
  (void)::GetFileVersionInfoSizeW(self, &ignored);
  HMODULE loaded = ::GetModuleHandleW(L"version.dll");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(FolderOf(loaded), SystemFolder());
}

}  // namespace
}  // namespace qw
