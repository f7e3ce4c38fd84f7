#include "payload/folder_placeholder.h"

#include <vector>

#include "payload/compress_error.h"
#include "payload/special_folder.h"
#include "payload/wide_path.h"

namespace qw {
namespace {

constexpr int kNoFallback = -1;

struct TokenRule {
  FolderPlaceholder placeholder;
  const wchar_t* token;
  int folder;    // CSIDL, or kNoFallback for the rules of the caller's folders
  int fallback;  // CSIDL looked up when `folder` gives nothing
};

constexpr TokenRule kRules[] = {
    {FolderPlaceholder::InstallPath, L"<InstallPath>", kNoFallback, kNoFallback},
    {FolderPlaceholder::SamplePath, L"<SamplePath>", kNoFallback, kNoFallback},
    {FolderPlaceholder::ProgramFiles, L"<ProgramFiles>", csidl::kProgramFiles, kNoFallback},
    {FolderPlaceholder::ProgramCommon, L"<ProgramCommon>", csidl::kProgramFilesCommon, kNoFallback},
    {FolderPlaceholder::CommonData, L"<CommonData>", csidl::kCommonAppData, csidl::kAppData},
    {FolderPlaceholder::UserData, L"<UserData>", csidl::kAppData, kNoFallback},
    {FolderPlaceholder::CommonDocuments, L"<CommonDocuments>", csidl::kCommonDocuments, csidl::kPersonal},
    {FolderPlaceholder::Documents, L"<Documents>", csidl::kPersonal, kNoFallback},
    {FolderPlaceholder::CommonDesktop, L"<CommonDesktop>", csidl::kCommonDesktopDirectory, csidl::kDesktopDirectory},
    {FolderPlaceholder::Desktop, L"<Desktop>", csidl::kDesktopDirectory, kNoFallback},
    {FolderPlaceholder::WinDir, L"<WinDir>", csidl::kWindows, kNoFallback},
    {FolderPlaceholder::System, L"<System>", csidl::kSystem, kNoFallback},
    {FolderPlaceholder::Temporary, L"<Temporary>", kNoFallback, kNoFallback},
};

std::wstring LookUp(const SpecialFolderLookup& lookup, int folder, int fallback) {
  std::wstring path = lookup(folder);
  if (path.empty() && fallback != kNoFallback) path = lookup(fallback);
  if (path.empty()) ThrowCompressError(compress_errc::unexpected_error);
  return path;
}

boost::filesystem::path SamplesBase(const PlaceholderFolders& folders,
                                    const SpecialFolderLookup& lookup) {
  const boost::filesystem::path samples = WidePath(folders.samplesFolder);
  if (!folders.samplesFolder.empty() && samples.is_absolute()) return samples;
  boost::filesystem::path base =
      WidePath(LookUp(lookup, csidl::kCommonDesktopDirectory, csidl::kDesktopDirectory));
  if (!folders.samplesFolder.empty()) base /= samples;
  return base;
}

boost::filesystem::path Base(const TokenRule& rule, const PlaceholderFolders& folders,
                             const SpecialFolderLookup& lookup) {
  switch (rule.placeholder) {
    case FolderPlaceholder::InstallPath: return WidePath(folders.installFolder);
    case FolderPlaceholder::SamplePath: return SamplesBase(folders, lookup);
    case FolderPlaceholder::Temporary:
      return WidePath(folders.temporaryFolder.empty() ? folders.installFolder
                                                      : folders.temporaryFolder);
    default: return WidePath(LookUp(lookup, rule.folder, rule.fallback));
  }
}

}  // namespace

std::vector<std::wstring> SplitPlaceholderPath(const std::wstring& path) {
  std::vector<std::wstring> components;
  std::size_t start = 0;
  if (path.size() >= 2 && path[1] == L':') {
    components.push_back(path.substr(0, 2));
    start = 2;
  }
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find_first_of(L"\\/", start), path.size());
    if (end > start) components.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return components;
}

const wchar_t* PlaceholderToken(FolderPlaceholder placeholder) {
  for (const TokenRule& rule : kRules)
    if (rule.placeholder == placeholder) return rule.token;
  return L"";
}

bool IsPlaceholderToken(const std::wstring& component) {
  for (const TokenRule& rule : kRules)
    if (component == rule.token) return true;
  return false;
}

boost::filesystem::path ResolvePlaceholder(const std::wstring& placeholderPath,
                                           const PlaceholderFolders& folders,
                                           const SpecialFolderLookup& lookup) {
  const std::vector<std::wstring> components = SplitPlaceholderPath(placeholderPath);
  if (components.empty()) return WidePath(placeholderPath);
  const std::wstring& first = components.front();
  if (first.front() != L'<' || first.back() != L'>') return WidePath(placeholderPath);

  boost::filesystem::path result;
  for (const TokenRule& rule : kRules) {
    if (first == rule.token) {
      result = Base(rule, folders, lookup);
      break;
    }
  }
  for (std::size_t i = 1; i < components.size(); ++i) result /= WidePath(components[i]);
  return result;
}

boost::filesystem::path ResolvePlaceholder(const std::wstring& placeholderPath,
                                           const PlaceholderFolders& folders) {
  return ResolvePlaceholder(placeholderPath, folders, SpecialFolderPath);
}

}  // namespace qw
