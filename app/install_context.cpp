#include "app/install_context.h"

#include "app/product_identity.h"
#include "payload/temporary_folder.h"
#include "platform/product_facts.h"
#include "ui/installer_title.h"

namespace qw {

namespace {

ProductNames InstalledProductNames() {
  ProductNames names;
  names.name = kProductName;
  names.displayName = kProductDisplayName;
  names.key = kProductKey;
  names.fileVersion = kReleaseFileVersionText;
  names.publisher = kMakerName;
  names.webAddress = kMakerWebAddress;
  names.telephone = kMakerTelephone;
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

std::error_code InstallContext::CreateTempFolder() {
  return MakeTemporaryFolderPath(m_tempFolder);
}

}  // namespace qw
