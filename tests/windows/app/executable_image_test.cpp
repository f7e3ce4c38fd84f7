// The shipped installer as a file: a 32-bit GUI executable that needs no
// DLL outside Windows' own, with the manifest and icons it must carry. Its
// resource directory is read from the file itself, since the loader's
// functions show only one of two entries that share type, name and
// language.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "build_tree.h"
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

// A resource type or name: a number, or a string for a named one.
struct ResourceName {
  WORD id = 0;
  std::wstring text;
  bool operator<(const ResourceName& o) const { return std::tie(text, id) < std::tie(o.text, o.id); }
  bool operator==(const ResourceName& o) const { return text == o.text && id == o.id; }
};

// One leaf of the resource directory.
struct ResourceEntry {
  ResourceName type;
  ResourceName name;
  WORD language = 0;
  std::size_t offset = 0;  // of the data in the file
  DWORD size = 0;
};

std::string Describe(const ResourceEntry& e) {
  std::ostringstream text;
  const auto show = [&](const ResourceName& n) {
    if (n.text.empty()) text << n.id;
    else text << '"' << std::string(n.text.begin(), n.text.end()) << '"';
  };
  text << "(type ";
  show(e.type);
  text << ", name ";
  show(e.name);
  text << ", language 0x" << std::hex << e.language << ")";
  return text.str();
}

// Every leaf of the image's resource directory, as the file holds them.
std::vector<ResourceEntry> ResourceEntries(const Pe32& pe) {
  std::vector<ResourceEntry> entries;
  const IMAGE_DATA_DIRECTORY directory =
      pe.Headers().OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE];
  const std::size_t root = pe.Offset(directory.VirtualAddress);
  if (!directory.VirtualAddress || root >= pe.bytes.size()) return entries;
  const auto nameAt = [&](DWORD field) {
    ResourceName name;
    if (field & IMAGE_RESOURCE_NAME_IS_STRING) {
      const std::size_t at = root + (field & 0x7FFFFFFF);
      const WORD length = At<WORD>(pe.bytes, at);
      for (WORD i = 0; i < length; ++i) name.text += static_cast<wchar_t>(At<WORD>(pe.bytes, at + 2 + 2 * i));
    } else {
      name.id = static_cast<WORD>(field);
    }
    return name;
  };
  // Calls `visit` with the name field and the data field of every entry of
  // the directory at `offset` (relative to the root).
  const auto forEach = [&](DWORD offset, auto visit) {
    const auto dir = At<IMAGE_RESOURCE_DIRECTORY>(pe.bytes, root + offset);
    const int count = dir.NumberOfNamedEntries + dir.NumberOfIdEntries;
    for (int i = 0; i < count; ++i) {
      const std::size_t at = root + offset + sizeof(IMAGE_RESOURCE_DIRECTORY) +
                             i * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY);
      visit(At<DWORD>(pe.bytes, at), At<DWORD>(pe.bytes, at + 4));
    }
  };
  const DWORD subdirectory = IMAGE_RESOURCE_DATA_IS_DIRECTORY;
  forEach(0, [&](DWORD typeField, DWORD typeData) {
    if (!(typeData & subdirectory)) return;
    forEach(typeData & ~subdirectory, [&](DWORD nameField, DWORD nameData) {
      if (!(nameData & subdirectory)) return;
      forEach(nameData & ~subdirectory, [&](DWORD languageField, DWORD leaf) {
        if (leaf & subdirectory) return;
        const auto data = At<IMAGE_RESOURCE_DATA_ENTRY>(pe.bytes, root + leaf);
        entries.push_back({nameAt(typeField), nameAt(nameField), static_cast<WORD>(languageField),
                           pe.Offset(data.OffsetToData), data.Size});
      });
    });
  });
  return entries;
}

TEST(ShippedInstaller, IsA32BitGuiProgram) {
  const std::vector<char> bytes = ReadFile(QW_SHIPPED_INSTALLER);
  ASSERT_GT(bytes.size(), 4096u);
  const auto dos = At<IMAGE_DOS_HEADER>(bytes, 0);
  ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
  const Pe32 pe{bytes, static_cast<std::size_t>(dos.e_lfanew)};
  const IMAGE_NT_HEADERS32 nt = pe.Headers();
  ASSERT_EQ(nt.Signature, IMAGE_NT_SIGNATURE);
  EXPECT_EQ(nt.FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
  EXPECT_EQ(nt.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
  EXPECT_EQ(nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

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

// Built twice from the same sources, in clones at different places, the
// installer is the same file: the linker writes no time stamp and nothing
// names the folder it was built in (as text or as wide text).
TEST(ShippedInstaller, CarriesNoTimeStampAndNoBuildFolder) {
  const std::string folder = QW_SOURCE_DIR;
  ASSERT_GT(folder.size(), 1u);
  const std::wstring wideFolder(folder.begin(), folder.end());
  std::string utf16;
  for (wchar_t c : wideFolder) utf16 += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  for (const wchar_t* installer : {QW_SHIPPED_INSTALLER, QW_TEST_INSTALLER}) {
    const std::vector<char> bytes = ReadFile(installer);
    ASSERT_GT(bytes.size(), 4096u);
    const auto dos = At<IMAGE_DOS_HEADER>(bytes, 0);
    ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
    // The file header comes before the optional header, whose size alone
    // differs between 32 and 64 bits.
    const auto nt = At<IMAGE_NT_HEADERS32>(bytes, static_cast<std::size_t>(dos.e_lfanew));
    ASSERT_EQ(nt.Signature, IMAGE_NT_SIGNATURE);
    EXPECT_EQ(nt.FileHeader.TimeDateStamp, 0u) << std::string(installer, installer + wcslen(installer));
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.find(folder), std::string::npos) << folder;
    EXPECT_EQ(text.find(utf16), std::string::npos) << folder << " as UTF-16";
  }
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
  // The small and large icons of 100 to 200 % display scale, and the
  // shell's largest (0 stands for 256).
  for (int size : {16, 20, 24, 32, 40, 48, 64, 0}) EXPECT_TRUE(sizes.count(size)) << size;
}

// The resource directory of the shipped file.
class ShippedResourceDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_ = ReadFile(QW_SHIPPED_INSTALLER);
    const auto dos = At<IMAGE_DOS_HEADER>(bytes_, 0);
    ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
    const Pe32 pe{bytes_, static_cast<std::size_t>(dos.e_lfanew)};
    entries_ = ResourceEntries(pe);
    ASSERT_FALSE(entries_.empty());
  }

  // The entries of type `type` (a number), by name id, each with its
  // language.
  std::map<WORD, std::vector<const ResourceEntry*>> OfType(WORD type) const {
    std::map<WORD, std::vector<const ResourceEntry*>> found;
    for (const ResourceEntry& e : entries_)
      if (e.type.text.empty() && e.type.id == type && e.name.text.empty()) found[e.name.id].push_back(&e);
    return found;
  }

  std::string Data(const ResourceEntry& e) const {
    if (e.offset + e.size > bytes_.size()) return {};
    return std::string(&bytes_[e.offset], e.size);
  }

  std::vector<char> bytes_;
  std::vector<ResourceEntry> entries_;
};

TEST_F(ShippedResourceDirectory, NoTwoEntriesShareTypeNameAndLanguage) {
  std::set<std::tuple<ResourceName, ResourceName, WORD>> seen;
  for (const ResourceEntry& e : entries_)
    EXPECT_TRUE(seen.insert({e.type, e.name, e.language}).second) << "twice: " << Describe(e);
  // The payload, the string tables, dialogs, icons: far more than a few.
  EXPECT_GT(seen.size(), 40u);
}

// The size an icon image describes itself as having: width, height and
// bits per pixel of its DIB (the DIB's height counts the mask too) or of
// its PNG header.
struct ImageShape {
  int width = -1, height = -1, bits = -1;
};

ImageShape ShapeOf(const std::string& image) {
  ImageShape shape;
  const std::vector<char> bytes(image.begin(), image.end());
  if (image.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0 && image.size() >= 26) {
    const auto big = [&](std::size_t at) {
      return (static_cast<unsigned char>(image[at]) << 24) | (static_cast<unsigned char>(image[at + 1]) << 16) |
             (static_cast<unsigned char>(image[at + 2]) << 8) | static_cast<unsigned char>(image[at + 3]);
    };
    shape.width = big(16);
    shape.height = big(20);
    const int depth = static_cast<unsigned char>(image[24]), colour = static_cast<unsigned char>(image[25]);
    shape.bits = colour == 6 ? 4 * depth : colour == 2 ? 3 * depth : depth;
    return shape;
  }
  const auto header = At<BITMAPINFOHEADER>(bytes, 0);
  if (header.biSize < sizeof(BITMAPINFOHEADER)) return shape;
  shape.width = header.biWidth;
  shape.height = header.biHeight / 2;
  shape.bits = header.biBitCount;
  return shape;
}

TEST_F(ShippedResourceDirectory, EveryIconGroupNamesImagesOfItsOwnSizes) {
  const auto images = OfType(3);   // RT_ICON
  const auto groups = OfType(14);  // RT_GROUP_ICON
  ASSERT_TRUE(groups.count(128)) << "no application icon";
  std::set<WORD> named;
  for (const auto& [id, inLanguages] : groups) {
    for (const ResourceEntry* group : inLanguages) {
      const std::string data = Data(*group);
      const std::vector<char> bytes(data.begin(), data.end());
      ASSERT_GE(data.size(), 6u) << id;
      EXPECT_EQ(At<WORD>(bytes, 2), 1) << "group " << id << " is no icon group";
      const WORD count = At<WORD>(bytes, 4);
      ASSERT_EQ(data.size(), 6u + 14u * count) << "group " << id;
      for (WORD i = 0; i < count; ++i) {
        const std::size_t at = 6 + 14 * i;
        const int width = static_cast<unsigned char>(data[at]), height = static_cast<unsigned char>(data[at + 1]);
        const WORD bits = At<WORD>(bytes, at + 6);
        const DWORD size = At<DWORD>(bytes, at + 8);
        const WORD image = At<WORD>(bytes, at + 12);
        named.insert(image);
        const std::string where = "group " + std::to_string(id) + " entry " + std::to_string(i) + " (image " +
                                  std::to_string(image) + ")";
        const auto found = images.find(image);
        ASSERT_NE(found, images.end()) << where << ": no such image";
        const ResourceEntry* match = nullptr;
        for (const ResourceEntry* candidate : found->second)
          if (candidate->language == group->language) match = candidate;
        ASSERT_NE(match, nullptr) << where << ": not in the group's language";
        EXPECT_EQ(match->size, size) << where;
        const ImageShape shape = ShapeOf(Data(*match));
        EXPECT_EQ(shape.width, width == 0 ? 256 : width) << where;
        EXPECT_EQ(shape.height, height == 0 ? 256 : height) << where;
        EXPECT_EQ(shape.bits, bits) << where;
      }
    }
  }
  // No image is left over that no group shows.
  for (const auto& [id, inLanguages] : images) EXPECT_TRUE(named.count(id)) << "image " << id << " in no group";
}

TEST_F(ShippedResourceDirectory, ApplicationAndFlagIconsUseDistinctImages) {
  const auto groups = OfType(14);
  std::map<WORD, WORD> groupOfImage;
  for (WORD group = 128; group <= 158; ++group) {
    if (group > 128 && group < 141) continue;
    const auto found = groups.find(group);
    ASSERT_NE(found, groups.end()) << "no icon group " << group;
    ASSERT_EQ(found->second.size(), 1u) << "icon group " << group << " in several languages";
    const std::string data = Data(*found->second.front());
    const std::vector<char> bytes(data.begin(), data.end());
    for (WORD i = 0; i < At<WORD>(bytes, 4); ++i) {
      const WORD image = At<WORD>(bytes, 6 + 14 * i + 12);
      const auto [other, added] = groupOfImage.emplace(image, group);
      EXPECT_TRUE(added) << "image " << image << " is in groups " << other->second << " and " << group;
    }
  }
}

}  // namespace

namespace {

// Each flag: its 18 x 12 image (what the Start page loads at 96 DPI) and
// the same flag drawn for 125, 150 and 200 % display scale.
TEST_F(ShippedResources, EighteenFlagIconsOf18By12AndTheirScaledSizesIn24Bits) {
  const int sizes[][2] = {{18, 12}, {23, 15}, {27, 18}, {36, 24}};
  for (WORD id = 141; id <= 158; ++id) {
    const std::string group = Resource(RT_GROUP_ICON, id);
    ASSERT_EQ(group.size(), 6u + 14u * 4u) << id;  // four images
    for (std::size_t i = 0; i < 4; ++i) {
      const std::size_t at = 6 + 14 * i;
      EXPECT_EQ(static_cast<unsigned char>(group[at]), sizes[i][0]) << id;       // width
      EXPECT_EQ(static_cast<unsigned char>(group[at + 1]), sizes[i][1]) << id;   // height
      EXPECT_EQ(static_cast<unsigned char>(group[at + 6]), 24) << id;            // bits per pixel
    }
  }
}

}  // namespace
