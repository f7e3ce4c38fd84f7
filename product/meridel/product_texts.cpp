#include "product/meridel/product_texts.h"

#include "platform/handles.h"
#include "platform/product_facts.h"
#include "product/lang/language_strings.h"

namespace qw::meridel {
namespace {

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  std::wstring folder(path, n);
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::wstring UserIsoLanguage() {
  wchar_t name[9] = {};
  const LCID locale = MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT);
  if (::GetLocaleInfoW(locale, LOCALE_SISO639LANGNAME, name, 9) == 0) return L"en";
  return name;
}

std::wstring LoadText(HMODULE library, UINT id) {
  const wchar_t* text = nullptr;
  // With a zero buffer size LoadStringW gives a pointer into the resource.
  const int length = ::LoadStringW(library, id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 && text ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

bool LoadFrom(const std::wstring& file, ProductTexts& texts) {
  if (file.empty()) return false;
  const UniqueModule library(
      ::LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!library) return false;
  ProductTexts loaded{LoadText(library.get(), IDS_PRODUCT_TITLE), LoadText(library.get(), IDS_PRODUCT_DESCRIPTION),
                      LoadText(library.get(), IDS_LANGUAGE_NAME), LoadText(library.get(), IDS_MAKER_NAME), file};
  if (loaded.title.empty() || loaded.description.empty()) return false;
  texts = std::move(loaded);
  return true;
}

}  // namespace

std::wstring LanguageLibraryPath(const std::wstring& isoLanguage) {
  // Never a relative path: that would load whatever the current folder holds.
  const std::wstring folder = ProgramFolder();
  return folder.empty() ? std::wstring() : folder + L"Lang\\Meridel." + isoLanguage + L".dll";
}

ProductTexts LoadProductTexts() {
  ProductTexts texts{kProductDisplayName,
                     L"The sample program that the Meridel installer carries in place of the product.",
                     L"English", kMakerName, std::wstring()};
  if (!LoadFrom(LanguageLibraryPath(UserIsoLanguage()), texts)) LoadFrom(LanguageLibraryPath(L"en"), texts);
  return texts;
}

}  // namespace qw::meridel
