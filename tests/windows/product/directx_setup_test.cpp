// The DirectX setup stand-in of the sample product, loaded the way the
// installer loads Microsoft's library: from a folder holding the setup
// library, its companion and the four cabinets.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../engine/scratch_folder.h"
#include "build_tree.h"
#include "product/directx_setup/directx_setup_interface.h"

namespace {

using qw::test::Exists;
using qw::test::ReadTestFile;
using qw::test::ScratchFolder;

const wchar_t* const kCabinets[] = {L"dxdllreg_x86", L"dxupdate", L"Jun2010_D3DCompiler_43_x86",
                                    L"Jun2010_d3dx9_43_x86"};

using GetVersionFunction = INT(WINAPI*)(DWORD*, DWORD*);
using SetCallbackFunction = INT(WINAPI*)(DSETUP_CALLBACK);
using SetupFunction = INT(WINAPI*)(HWND, LPWSTR, DWORD);

std::vector<std::string> g_progress;

DWORD WINAPI RecordProgress(DWORD reason, DWORD, LPSTR message, LPSTR name, void*) {
  if (reason == DSETUP_CB_MSG_PROGRESS) {
    g_progress.push_back(std::string(message ? message : "") + "|" + (name ? name : ""));
  }
  return 1;
}

std::wstring ComponentsFolder() {
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  return std::wstring(system) + L"\\Quillon DirectX stand-in";
}

void *Export(HMODULE module, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(module, name));
}

// The setup files copied into a scratch folder, the library loaded from
// there, and the components folder removed before and after.
class DirectXStandIn : public ::testing::Test {
 protected:
  void SetUp() override {
    qw::test::RemoveTree(ComponentsFolder());
    ::SetEnvironmentVariableW(L"QW_DSETUP_STANDIN", nullptr);
    g_progress.clear();
    Copy(std::wstring(QW_DIRECTX_DIR) + L"\\DSETUP.dll", L"DSetup.dll");
    Copy(std::wstring(QW_DIRECTX_DIR) + L"\\dsetup32.dll", L"dsetup32.dll");
    for (const wchar_t* cabinet : kCabinets) {
      Copy(std::wstring(QW_DIRECTX_DIR) + L"\\" + cabinet + L".cab", std::wstring(cabinet) + L".cab");
    }
  }
  void TearDown() override {
    if (module_ != nullptr) ::FreeLibrary(module_);
    qw::test::RemoveTree(ComponentsFolder());
  }

  void Copy(const std::wstring& from, const std::wstring& name) {
    ASSERT_TRUE(::CopyFileW(from.c_str(), (folder_ / name).c_str(), FALSE))
        << "copy of " << std::string(from.begin(), from.end()) << ": " << ::GetLastError();
  }
  HMODULE Load(const std::wstring& library = L"DSetup.dll") {
    module_ = ::LoadLibraryExW((folder_ / library).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return module_;
  }
  INT RunSetup() {
    auto setCallback = reinterpret_cast<SetCallbackFunction>(Export(module_, "DirectXSetupSetCallback"));
    auto setup = reinterpret_cast<SetupFunction>(Export(module_, "DirectXSetupW"));
    if (setCallback == nullptr || setup == nullptr) return 1000;
    setCallback(RecordProgress);
    std::wstring root = folder_.path();
    return setup(nullptr, root.data(), DSETUP_DIRECTX);
  }

  ScratchFolder folder_{L"directx"};
  HMODULE module_ = nullptr;
};

TEST_F(DirectXStandIn, ReportsVersion409Revision904) {
  ASSERT_NE(Load(), nullptr);
  auto getVersion = reinterpret_cast<GetVersionFunction>(Export(module_, "DirectXSetupGetVersion"));
  ASSERT_NE(getVersion, nullptr);
  DWORD version = 0, revision = 0;
  EXPECT_NE(getVersion(&version, &revision), 0);
  EXPECT_EQ(version, 0x40009u);
  EXPECT_EQ(revision, 904u);
}

TEST_F(DirectXStandIn, InstallsEveryCabinetReportingProgress) {
  ASSERT_NE(Load(), nullptr);
  EXPECT_EQ(RunSetup(), DSETUPERR_SUCCESS);
  for (const wchar_t* cabinet : kCabinets) {
    const std::wstring component = ComponentsFolder() + L"\\" + cabinet + L"_component.txt";
    ASSERT_TRUE(Exists(component));
    const std::string content = ReadTestFile(component);
    EXPECT_NE(content.find("DirectX stand-in: " + std::string(cabinet, cabinet + wcslen(cabinet)) +
                           " component."),
              std::string::npos);
    // Each cabinet is announced with its name.
    const std::string announced = "Installing|" + std::string(cabinet, cabinet + wcslen(cabinet)) + ".cab";
    EXPECT_NE(std::find(g_progress.begin(), g_progress.end(), announced), g_progress.end());
  }
  EXPECT_GE(g_progress.size(), 5u);
}

TEST_F(DirectXStandIn, DamagedCabinetFailsAndInstallsNothingOfIt) {
  // Overwrite the middle of the compressed data of the last cabinet.
  const std::wstring damaged = folder_ / L"Jun2010_d3dx9_43_x86.cab";
  std::string bytes = ReadTestFile(damaged);
  ASSERT_GT(bytes.size(), 120u);
  for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 40; ++i) bytes[i] = static_cast<char>(~bytes[i]);
  qw::test::WriteTestFile(damaged, bytes);

  ASSERT_NE(Load(), nullptr);
  const INT result = RunSetup();
  EXPECT_NE(result, DSETUPERR_SUCCESS);
  EXPECT_NE(result, DSETUPERR_SUCCESS_RESTART);
  EXPECT_FALSE(Exists(ComponentsFolder() + L"\\Jun2010_d3dx9_43_x86_component.txt"));
}

TEST_F(DirectXStandIn, MissingCabinetFails) {
  ASSERT_TRUE(::DeleteFileW((folder_ / L"dxupdate.cab").c_str()));
  ASSERT_NE(Load(), nullptr);
  EXPECT_EQ(RunSetup(), DSETUPERR_SOURCEFILENOTFOUND);
}

TEST_F(DirectXStandIn, TestSettingsChangeRevisionAndResult) {
  ::SetEnvironmentVariableW(L"QW_DSETUP_STANDIN", L"revision=902;result=1");
  ASSERT_NE(Load(), nullptr);
  auto getVersion = reinterpret_cast<GetVersionFunction>(Export(module_, "DirectXSetupGetVersion"));
  DWORD version = 0, revision = 0;
  ASSERT_NE(getVersion, nullptr);
  getVersion(&version, &revision);
  EXPECT_EQ(revision, 902u);
  EXPECT_EQ(RunSetup(), DSETUPERR_SUCCESS_RESTART);
}

TEST_F(DirectXStandIn, VariantWithoutSetupExportLacksOnlyDirectXSetupW) {
  Copy(std::wstring(QW_DIRECTX_VARIANT_DIR) + L"\\DSETUP.dll", L"DSetupWithoutSetup.dll");
  ASSERT_NE(Load(L"DSetupWithoutSetup.dll"), nullptr);
  EXPECT_NE(Export(module_, "DirectXSetupGetVersion"), nullptr);
  EXPECT_NE(Export(module_, "DirectXSetupSetCallback"), nullptr);
  EXPECT_EQ(Export(module_, "DirectXSetupW"), nullptr);
}

TEST_F(DirectXStandIn, LeavesNoStagingFolderBehind) {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring pattern = std::wstring(temp) + L"qwdx" + std::to_wstring(::GetCurrentProcessId()) + L"_*";
  ASSERT_NE(Load(), nullptr);
  ASSERT_EQ(RunSetup(), DSETUPERR_SUCCESS);
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW(pattern.c_str(), &data);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE);
  if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
}

}  // namespace
