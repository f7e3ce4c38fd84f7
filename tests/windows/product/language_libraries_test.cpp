// The product's language libraries: resource-only DLLs, one per language
// the manifest lists, each with a version resource and a string table in
// its own language.

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/file_version_info.h"
#include "platform/handles.h"
#include "product/lang/language_strings.h"
#include "sample_product_manifest.h"

namespace qw::test {
namespace {

struct Language {
  LANGID id;
  const wchar_t* nativeName;
};

// What each library must say about itself, written down here rather than
// read from the libraries' sources.
const std::map<std::wstring, Language>& ExpectedLanguages() {
  static const std::map<std::wstring, Language> languages = {
      {L"cs", {0x0405, L"\u010ce\u0161tina"}},
      {L"de", {0x0407, L"Deutsch"}},
      {L"el", {0x0408, L"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac"}},
      {L"en", {0x0409, L"English"}},
      {L"es", {0x0C0A, L"Espa\u00f1ol"}},
      {L"he", {0x040D, L"\u05e2\u05d1\u05e8\u05d9\u05ea"}},
      {L"it", {0x0410, L"Italiano"}},
      {L"nl", {0x0413, L"Nederlands"}},
      {L"pt", {0x0416, L"Portugu\u00eas"}},
      {L"ro", {0x0418, L"Rom\u00e2n\u0103"}},
      {L"tk", {0x0442, L"T\u00fcrkmen dili"}},
      {L"vi", {0x042A, L"Ti\u1ebfng Vi\u1ec7t"}},
  };
  return languages;
}

std::wstring LanguageCode(const std::wstring& fileName) {
  // Meridel.<code>.dll
  const std::size_t first = fileName.find(L'.'), last = fileName.rfind(L'.');
  return fileName.substr(first + 1, last - first - 1);
}

// A string of the library in exactly `language`, read from its string
// table block (LoadString would fall back to another language).
std::wstring StringIn(HMODULE library, UINT id, LANGID language) {
  const HRSRC block = ::FindResourceExW(library, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
  if (!block) return std::wstring();
  const auto* text = static_cast<const WCHAR*>(::LockResource(::LoadResource(library, block)));
  if (!text) return std::wstring();
  for (UINT i = 0; i < id % 16; ++i) text += 1 + *text;
  return std::wstring(text + 1, *text);
}

std::vector<SampleProductFile> LanguageLibraries() {
  std::vector<SampleProductFile> libraries;
  for (const SampleProductFile& file : ReadSampleProductManifest())
    if (file.destination == L"<InstallPath>\\Lang") libraries.push_back(file);
  return libraries;
}

TEST(LanguageLibraries, TheManifestListsTwelveInTheLangFolder) {
  const std::vector<SampleProductFile> libraries = LanguageLibraries();
  ASSERT_EQ(libraries.size(), ExpectedLanguages().size());
  for (const SampleProductFile& file : libraries) {
    EXPECT_EQ(file.kind, 0u);
    EXPECT_EQ(ExpectedLanguages().count(LanguageCode(file.name)), 1u) << ::testing::PrintToString(file.name);
  }
}

TEST(LanguageLibraries, EachCarriesItsVersionResource) {
  for (const SampleProductFile& file : LanguageLibraries()) {
    SCOPED_TRACE(::testing::PrintToString(file.name));
    const Language& language = ExpectedLanguages().at(LanguageCode(file.name));
    const FileVersionInfo info = FileVersionInfo::FromFile(file.path);
    ASSERT_FALSE(info.empty());
    EXPECT_EQ(info.FixedFileVersion(), 0x0006000700030001ull);
    ASSERT_EQ(info.Translations().size(), 1u);
    wchar_t key[9];
    ::swprintf(key, 9, L"%04x04b0", language.id);
    EXPECT_EQ(info.Translations()[0], key);
    EXPECT_EQ(info.DisplayName(::GetThreadLocale()), L"Meridel 6.07c");
    EXPECT_EQ(info.StringValue(L"OriginalFilename"), file.name);
    EXPECT_EQ(info.StringValue(L"FileDescription"),
              std::wstring(L"Meridel 6.07c language library: ") + language.nativeName);
  }
}

TEST(LanguageLibraries, EachCarriesStringsInItsLanguage) {
  std::wstring englishDescription;
  for (const SampleProductFile& file : LanguageLibraries()) {
    SCOPED_TRACE(::testing::PrintToString(file.name));
    const Language& language = ExpectedLanguages().at(LanguageCode(file.name));
    const UniqueModule library(
        ::LoadLibraryExW(file.path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(library) << ::GetLastError();
    EXPECT_EQ(StringIn(library.get(), IDS_PRODUCT_TITLE, language.id), L"Meridel 6.07c");
    EXPECT_EQ(StringIn(library.get(), IDS_LANGUAGE_NAME, language.id), language.nativeName);
    EXPECT_EQ(StringIn(library.get(), IDS_MAKER_NAME, language.id), L"Quillon Works");
    for (UINT id = IDS_MENU_FILE; id <= IDS_SAMPLE_PROJECTS; ++id)
      EXPECT_FALSE(StringIn(library.get(), id, language.id).empty()) << id;
    const std::wstring description = StringIn(library.get(), IDS_PRODUCT_DESCRIPTION, language.id);
    EXPECT_NE(description.find(L"Meridel"), std::wstring::npos);
    if (language.id == 0x0409) englishDescription = description;
  }
  // Translated: no other library repeats the English sentence.
  ASSERT_FALSE(englishDescription.empty());
  for (const SampleProductFile& file : LanguageLibraries()) {
    const Language& language = ExpectedLanguages().at(LanguageCode(file.name));
    if (language.id == 0x0409) continue;
    const UniqueModule library(
        ::LoadLibraryExW(file.path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(library);
    EXPECT_NE(StringIn(library.get(), IDS_PRODUCT_DESCRIPTION, language.id), englishDescription)
        << ::testing::PrintToString(file.name);
  }
}

TEST(LanguageLibraries, AreResourceOnlyLibraries) {
  for (const SampleProductFile& file : LanguageLibraries()) {
    SCOPED_TRACE(::testing::PrintToString(file.name));
    bool ok = false;
    const std::vector<char> image = ReadWholeFile(file.path, ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(ImageMachine(image.data(), image.size()), ThisTreesMachine());
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    const auto* fileHeader = reinterpret_cast<const IMAGE_FILE_HEADER*>(image.data() + dos->e_lfanew + 4);
    EXPECT_TRUE(fileHeader->Characteristics & IMAGE_FILE_DLL);
    // The optional header's entry point field sits at the same offset in
    // PE32 and PE32+.
    const auto* optional = reinterpret_cast<const IMAGE_OPTIONAL_HEADER32*>(fileHeader + 1);
    EXPECT_EQ(optional->AddressOfEntryPoint, 0u);
    // And it loads as a library, not only as data.
    const UniqueModule loaded(::LoadLibraryW(file.path.c_str()));
    EXPECT_TRUE(loaded) << ::GetLastError();
  }
}

}  // namespace
}  // namespace qw::test
