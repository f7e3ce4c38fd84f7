#include "tools/payload_packer/entry_kinds.h"

#include <stdexcept>
#include <vector>

#include "payload/folder_placeholder.h"
#include "payload/payload_kind.h"

namespace qw {

void EntryKindRules::Check(std::uint32_t kind, const std::wstring& destination, int number, const char* unit) {
  // The installer gives no meaning to any other number: whatever it did
  // with one would not be what the archive's maker meant.
  if (kind >= kPayloadKindCount)
    throw std::runtime_error("kind " + std::to_string(kind) + " is not one of 0 to " +
                             std::to_string(kPayloadKindCount - 1));
  const std::vector<std::wstring> components = SplitPlaceholderPath(destination);
  const bool temporary = components.size() == 1 && components.front() == L"<Temporary>";
  const bool deletedAfterwards = IsPayloadKind(kind, PayloadKind::TemporarySetup);
  if (deletedAfterwards && !temporary)
    throw std::runtime_error("kind 5 (deleted after the installation) must go to <Temporary> itself");
  if (!deletedAfterwards && !components.empty() && components.front() == L"<Temporary>")
    throw std::runtime_error("only kind 5 may go to <Temporary>: it is deleted after the installation");
  const bool mainProgram = IsPayloadKind(kind, PayloadKind::MainProgram);
  int* seen = mainProgram                                       ? &programAt_
              : IsPayloadKind(kind, PayloadKind::Uninstaller) ? &uninstallerAt_
                                                                : nullptr;
  if (!seen) return;
  if (*seen >= 0)
    throw std::runtime_error(std::string(mainProgram ? "a second main program (kind 1)" : "a second uninstaller (kind 2)") +
                             ": " + unit + " " + std::to_string(*seen) + " has one");
  *seen = number;
}

}  // namespace qw
