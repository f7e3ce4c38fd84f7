#include "app/interrupted_run.h"

#include <list>
#include <string>
#include <vector>

#include "app/install_context.h"
#include "app/product_identity.h"
#include "engine/interrupted_installation.h"
#include "engine/product_place_names.h"
#include "engine/removal_error.h"
#include "engine/run_record_file.h"
#include "engine/self_registration.h"
#include "i18n/message_lookup.h"
#include "payload/payload_archive.h"
#include "payload/payload_resource.h"
#include "payload/unicode_text.h"
#include "platform/file_version_info.h"
#include "platform/same_name.h"
#include "ui/win_app.h"

namespace qw {
namespace {

// The product's own program: an ".exe" whose version resource names the
// product. Anything else a record names is not started.
bool IsProductProgram(const std::wstring& program) {
  const std::wstring extension = program.substr(program.size() < 4 ? 0 : program.size() - 4);
  return SameName(extension, L".exe") &&
         FileVersionInfo::FromFile(program).ProductName() == ProductIdentity::kProductName;
}

}  // namespace

void UndoInterruptedInstallation(ApplicationLock& appLock) {
  const std::wstring productKey = InstallContext::ProductKey();
  InstallationRecovery recovery;
  recovery.recordFolder = RunRecordFolder(productKey);
  recovery.uninstallKey = UninstallKeyLocation::ForProduct(productKey);
  recovery.productKey = productKey;
  // The payload's destinations: where this product puts its data files.
  // Without the directory only the installation folder and the shortcuts
  // are the product's places.
  std::list<std::wstring> folders;  // the facts point into these
  PayloadArchive archive(FindPayloadResource());
  std::error_code unread;
  for (const DirectoryRecord& record : archive.directory(unread)) {
    folders.push_back(WideFromUtf16(record.destination));
    recovery.facts.destinations.push_back({static_cast<std::int32_t>(record.kind), folders.back().c_str()});
  }
  AddProductPlaceNames(recovery.facts, ProductIdentity::kProductName, ProductIdentity::kDisplayName);
  recovery.unregister = [&appLock](const std::wstring& program) -> std::error_code {
    if (!IsProductProgram(program)) return removal_errc::not_the_program;
    return RunUnregistration(program, appLock);
  };

  const RecoveryResult result = RecoverInterruptedInstallation(recovery);
  const std::wstring product = ProductIdentity::kDisplayName;
  if (result.outcome == RecoveryOutcome::Undone) {
    AfxMessageBox(FormatMessageText(msg::kInterruptedInstallationUndone, product), MB_ICONINFORMATION);
  } else if (result.outcome == RecoveryOutcome::PartlyUndone) {
    std::wstring left;
    for (const std::wstring& line : result.left) left += L"\r\n" + line;
    AfxMessageBox(FormatMessageText(msg::kInterruptedInstallationPartlyUndone, product, left), MB_ICONEXCLAMATION);
  }
}

}  // namespace qw
