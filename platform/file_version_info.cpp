#include "platform/file_version_info.h"

#include <cwchar>
#include <mutex>

namespace qw {

namespace {

// VerQueryValueW reads through a non-const pointer although it never writes
// into a block that GetFileVersionInfoW did not produce.
bool Query(const void* block, const wchar_t* subBlock, void** value, UINT* size) {
  return ::VerQueryValueW(const_cast<void*>(block), subBlock, value, size) != 0;
}

struct ModuleBlock {
  const void* data = nullptr;
  std::uint32_t size = 0;
};

ModuleBlock LocateModuleBlock() {
  ModuleBlock result;
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(1), RT_VERSION);
  if (!resource) return result;
  HGLOBAL loaded = ::LoadResource(module, resource);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) return result;
  result.data = data;
  result.size = ::SizeofResource(module, resource);
  return result;
}

void ReplaceLast(std::wstring& s, const std::wstring& what, const std::wstring& with) {
  const std::size_t at = s.rfind(what);
  if (at != std::wstring::npos) s.replace(at, what.size(), with);
}

}  // namespace

FileVersionInfo::FileVersionInfo(FileVersionInfo&&) noexcept = default;
FileVersionInfo& FileVersionInfo::operator=(FileVersionInfo&&) noexcept = default;
FileVersionInfo::~FileVersionInfo() = default;

FileVersionInfo FileVersionInfo::FromFile(const std::wstring& path) {
  FileVersionInfo info;
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return info;
  info.buffer_.assign(size, 0);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, info.buffer_.data())) {
    info.buffer_.clear();
    return info;
  }
  info.block_ = info.buffer_.data();
  info.length_ = size;
  info.Initialize();
  return info;
}

FileVersionInfo FileVersionInfo::FromRunningModule() {
  static const ModuleBlock block = LocateModuleBlock();  // serialised first call
  return FromBlock(block.data, block.size);
}

FileVersionInfo FileVersionInfo::FromBlock(const void* block, std::uint32_t length) {
  FileVersionInfo info;
  info.block_ = block;
  info.length_ = block ? length : 0;
  info.Initialize();
  return info;
}

void FileVersionInfo::Initialize() {
  if (length_ == 0) return;
  void* value = nullptr;
  UINT size = 0;
  if (!Query(block_, L"\\", &value, &size) || size < sizeof(VS_FIXEDFILEINFO)) return;
  fixed_ = static_cast<const VS_FIXEDFILEINFO*>(value);
  if (!Query(block_, L"\\VarFileInfo\\Translation", &value, &size)) return;
  const WORD* pairs = static_cast<const WORD*>(value);
  for (UINT i = 0; i < size / 4; ++i) {
    const WORD language = pairs[2 * i];
    const WORD codePage = pairs[2 * i + 1];
    if (codePage != 1200) continue;
    wchar_t key[9];
    std::swprintf(key, 9, L"%04hx%04hx", language, codePage);
    translations_.emplace_back(key);
  }
}

std::uint64_t FileVersionInfo::FixedFileVersion() const {
  if (!fixed_) return 0;
  return (static_cast<std::uint64_t>(fixed_->dwFileVersionMS) << 32) | fixed_->dwFileVersionLS;
}

std::wstring FileVersionInfo::StringValue(const std::wstring& name, std::size_t translation) const {
  if (length_ == 0 || translation >= translations_.size()) return {};
  const std::wstring subBlock = L"\\StringFileInfo\\" + translations_[translation] + L"\\" + name;
  void* value = nullptr;
  UINT size = 0;
  if (!Query(block_, subBlock.c_str(), &value, &size) || size == 0 || !value) return {};
  std::wstring text(static_cast<const wchar_t*>(value), size);
  if (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

std::wstring FileVersionInfo::DisplayName(LCID language) const {
  std::wstring name = ProductName();
  const std::wstring version = ProductVersion();
  if (!version.empty()) name += L" " + version;
  const DWORD flags = fixed_ ? (fixed_->dwFileFlags & fixed_->dwFileFlagsMask) : 0;
  const bool french = PRIMARYLANGID(LANGIDFROMLCID(language)) == LANG_FRENCH;
  if ((flags & VS_FF_PRERELEASE) && !french) ReplaceLast(name, L"b\u00eata", L"beta");
  if (flags & VS_FF_PRIVATEBUILD) name += L" \u2013 Private";
  if (flags & VS_FF_DEBUG) name += L" \u2013 Debug";
  return name;
}

}  // namespace qw
