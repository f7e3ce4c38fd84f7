#pragma once
// A read-only view of a Windows version resource: the fixed file version,
// the string values of the Unicode translations, and the product's display
// name. It reads; it never writes or caches a file's block beyond the view.
// Every failure gives an empty view or an empty string, never an error.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qw {

class FileVersionInfo {
 public:
  // The version information of a file on disk; empty when it has none or
  // cannot be read.
  static FileVersionInfo FromFile(const std::wstring& path);

  // The executable's own version resource (RT_VERSION, id 1), located once
  // per process and viewed in place.
  static FileVersionInfo FromRunningModule();

  // A view of caller-owned bytes (for tests and for resources of modules
  // other than the executable); the bytes must outlive the view.
  static FileVersionInfo FromBlock(const void* block, std::uint32_t length);

  FileVersionInfo(FileVersionInfo&&) noexcept;
  FileVersionInfo& operator=(FileVersionInfo&&) noexcept;
  FileVersionInfo(const FileVersionInfo&) = delete;
  FileVersionInfo& operator=(const FileVersionInfo&) = delete;
  ~FileVersionInfo();

  bool empty() const { return length_ == 0; }

  // dwFileVersionMS in the high 32 bits, dwFileVersionLS in the low ones;
  // 0 without fixed information.
  std::uint64_t FixedFileVersion() const;

  // The named string of the given translation (an index into the Unicode
  // translations, in the order of the block's table); empty when absent.
  std::wstring StringValue(const std::wstring& name, std::size_t translation = 0) const;

  std::wstring ProductName() const { return StringValue(L"ProductName"); }
  std::wstring ProductVersion() const { return StringValue(L"ProductVersion"); }
  std::wstring LegalCopyright() const { return StringValue(L"LegalCopyright"); }

  // Product name and version, with the pre-release, private and debug rules;
  // the pre-release mark is spelled for `language` (an LCID): "bêta" in
  // French, "beta" in any other language.
  std::wstring DisplayName(LCID language) const;

  // Translation keys ("040904b0") of the code page 1200 translations.
  const std::vector<std::wstring>& Translations() const { return translations_; }

 private:
  FileVersionInfo() = default;
  void Initialize();
  const VS_FIXEDFILEINFO* Fixed() const { return fixed_; }

  std::vector<std::uint8_t> buffer_;
  const void* block_ = nullptr;
  std::uint32_t length_ = 0;
  const VS_FIXEDFILEINFO* fixed_ = nullptr;
  std::vector<std::wstring> translations_;
};

}  // namespace qw
