#include "app/install_context.h"

#include <cstdint>
#include <cwchar>

#include "app/product_identity.h"
#include "payload/temporary_folder.h"
#include "ui/installer_title.h"

namespace qw {

namespace {

// "6.7.3.1" from the release's file version.
std::wstring FileVersionText(std::uint64_t version) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%u.%u.%u.%u", static_cast<unsigned>(version >> 48),
                static_cast<unsigned>((version >> 32) & 0xFFFF), static_cast<unsigned>((version >> 16) & 0xFFFF),
                static_cast<unsigned>(version & 0xFFFF));
  return text;
}

ProductNames InstalledProductNames() {
  ProductNames names;
  names.name = InstallContext::ProductDisplayName(true);
  names.displayName = InstallContext::ProductDisplayName(false);
  names.key = InstallContext::ProductKey();
  names.fileVersion = FileVersionText(ProductIdentity::kReleaseFileVersion);
  names.publisher = ProductIdentity::kMakerName;
  names.webAddress = L"https://www.quillon-works.example/meridel";
  names.telephone = L"+1 555 0142";
  return names;
}

}  // namespace

// The lock is created here, not owned; start-up acquires it.
InstallContext::InstallContext(const std::wstring& applicationId)
    : WizardState(ApplicationLockName(applicationId), InstalledProductNames()) {}

std::wstring InstallContext::BuildTitle(bool withProduct) {
  return withProduct ? InstallerTitle(ProductIdentity::kDisplayName) : InstallerTitle();
}

std::wstring InstallContext::ProductDisplayName(bool nameOnly) {
  return nameOnly ? ProductIdentity::kProductName : ProductIdentity::kDisplayName;
}

std::wstring InstallContext::ProductKey() { return ProductKeyFor(ProductIdentity::kProductId); }

bool InstallContext::CreateTempFolder(std::wstring& errorText) {
  return MakeTemporaryFolderPath(m_tempFolder, errorText);
}

}  // namespace qw
