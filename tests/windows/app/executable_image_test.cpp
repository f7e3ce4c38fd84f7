// The shipped installer as a file: a 32-bit GUI executable that needs no
// DLL outside Windows' own, with the manifest and icon it must carry.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace {

std::vector<char> ReadFile(const wchar_t* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <typename T>
T At(const std::vector<char>& image, std::size_t offset) {
  T value{};
  if (offset + sizeof(T) <= image.size()) std::memcpy(&value, &image[offset], sizeof(T));
  return value;
}

// A 32-bit PE image and the file offset of a relative virtual address.
struct Pe32 {
  const std::vector<char>& bytes;
  std::size_t ntHeaders;

  IMAGE_NT_HEADERS32 Headers() const { return At<IMAGE_NT_HEADERS32>(bytes, ntHeaders); }

  std::size_t Offset(DWORD rva) const {
    const IMAGE_NT_HEADERS32 nt = Headers();
    const std::size_t sections = ntHeaders + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                                 nt.FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
      const auto s = At<IMAGE_SECTION_HEADER>(bytes, sections + i * sizeof(IMAGE_SECTION_HEADER));
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.Misc.VirtualSize)
        return rva - s.VirtualAddress + s.PointerToRawData;
    }
    return bytes.size();
  }

  // The name at `rva`, in lower case; empty when it lies outside the file.
  std::string NameAt(DWORD rva) const {
    const std::size_t at = Offset(rva);
    if (at >= bytes.size()) return {};
    const auto end = std::find(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end(), '\0');
    std::string name(bytes.begin() + static_cast<std::ptrdiff_t>(at), end);
    std::transform(name.begin(), name.end(), name.begin(), ::tolower);
    return name;
  }

  // The libraries that the loader binds before the program runs.
  std::set<std::string> ImportedDlls() const {
    std::set<std::string> names;
    const DWORD rva = Headers().OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (std::size_t at = Offset(rva);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
      const auto d = At<IMAGE_IMPORT_DESCRIPTOR>(bytes, at);
      if (d.Name == 0 || at >= bytes.size()) break;
      names.insert(NameAt(d.Name));
    }
    return names;
  }
};

// The known DLLs that every Windows version of the manifest (Vista to 10)
// lists under HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs
// (32-bit processes on 64-bit Windows: the same names, from SysWOW64).
// Windows maps these from its own copies and never looks for them in a
// program's folder. comctl32, version and bcrypt are not among them on any
// version.
const std::set<std::string> kKnownDlls = {
    "advapi32.dll", "clbcatq.dll",  "comdlg32.dll", "gdi32.dll",    "imagehlp.dll",
    "imm32.dll",    "kernel32.dll", "msctf.dll",    "msvcrt.dll",   "normaliz.dll",
    "nsi.dll",      "ole32.dll",    "oleaut32.dll", "rpcrt4.dll",   "setupapi.dll",
    "shell32.dll",  "shlwapi.dll",  "user32.dll",   "wldap32.dll",  "ws2_32.dll"};

TEST(ShippedInstaller, ImportsOnlyKnownDllsStatically) {
  const std::vector<char> bytes = ReadFile(QW_SHIPPED_INSTALLER);
  ASSERT_GT(bytes.size(), 4096u);
  const Pe32 pe{bytes, static_cast<std::size_t>(At<IMAGE_DOS_HEADER>(bytes, 0).e_lfanew)};
  ASSERT_EQ(pe.Headers().Signature, IMAGE_NT_SIGNATURE);

  const std::set<std::string> imported = pe.ImportedDlls();
  EXPECT_EQ(imported, (std::set<std::string>{"advapi32.dll", "gdi32.dll", "kernel32.dll",
                                             "msvcrt.dll", "ole32.dll", "shell32.dll",
                                             "shlwapi.dll", "user32.dll"}));
  for (const std::string& dll : imported) EXPECT_TRUE(kKnownDlls.count(dll)) << dll << " is not a known DLL";
}

class ShippedResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_.reset(::LoadLibraryExW(QW_SHIPPED_INSTALLER, nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(module_) << "cannot load " << ::GetLastError();
  }
  std::string Resource(const wchar_t* type, WORD id) {
    HRSRC found = ::FindResourceW(module_.get(), MAKEINTRESOURCEW(id), type);
    if (!found) return {};
    const char* data = static_cast<const char*>(::LockResource(::LoadResource(module_.get(), found)));
    return std::string(data, ::SizeofResource(module_.get(), found));
  }
  qw::UniqueModule module_;
};

TEST_F(ShippedResources, ManifestAsksForAdministratorAndCommonControls6) {
  const std::string manifest = Resource(RT_MANIFEST, 1);
  ASSERT_FALSE(manifest.empty());
  EXPECT_NE(manifest.find(R"(level="requireAdministrator")"), std::string::npos);
  EXPECT_NE(manifest.find(R"(uiAccess="false")"), std::string::npos);
  EXPECT_NE(manifest.find(R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")"),
            std::string::npos);
  EXPECT_NE(manifest.find(R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>)"),
            std::string::npos);
  for (const char* os : {"e2011457-1546-43c5-a5fe-008deee3d3f0",    // Vista
                         "35138b9a-5d96-4fbd-8e2d-a2440225f93a",    // 7
                         "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",    // 8
                         "1f676c76-80e1-4239-95bb-83d0f6d0da78",    // 8.1
                         "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) { // 10
    EXPECT_NE(manifest.find(os), std::string::npos) << os;
  }
}

TEST_F(ShippedResources, ApplicationIconHasSeveralSizes) {
  const std::string group = Resource(RT_GROUP_ICON, 128);
  ASSERT_GE(group.size(), 6u);
  const WORD count = At<WORD>(std::vector<char>(group.begin(), group.end()), 4);
  EXPECT_GE(count, 4);
  // Each entry names an icon image of its own size.
  std::set<int> sizes;
  for (WORD i = 0; i < count; ++i) sizes.insert(static_cast<unsigned char>(group[6 + 14 * i]));
  EXPECT_TRUE(sizes.count(16) && sizes.count(32) && sizes.count(48));
}

}  // namespace

namespace {

TEST_F(ShippedResources, EighteenFlagIconsOf18By12In24Bits) {
  for (WORD id = 141; id <= 158; ++id) {
    const std::string group = Resource(RT_GROUP_ICON, id);
    ASSERT_EQ(group.size(), 6u + 14u) << id;  // one image
    EXPECT_EQ(static_cast<unsigned char>(group[6]), 18) << id;   // width
    EXPECT_EQ(static_cast<unsigned char>(group[7]), 12) << id;   // height
    EXPECT_EQ(static_cast<unsigned char>(group[6 + 6]), 24) << id;  // bits per pixel
  }
}

}  // namespace
