#include "tools/payload_packer/entry_kinds.h"

#include <stdexcept>
#include <vector>

#include "payload/folder_placeholder.h"

namespace qw {

void EntryKindRules::Check(std::uint32_t kind, const std::wstring& destination, int number, const char* unit) {
  const std::vector<std::wstring> components = SplitPlaceholderPath(destination);
  const bool temporary = components.size() == 1 && components.front() == L"<Temporary>";
  if (kind == 5 && !temporary)
    throw std::runtime_error("kind 5 (deleted after the installation) must go to <Temporary> itself");
  if (kind != 5 && !components.empty() && components.front() == L"<Temporary>")
    throw std::runtime_error("only kind 5 may go to <Temporary>: it is deleted after the installation");
  int* seen = kind == 1 ? &programAt_ : kind == 2 ? &uninstallerAt_ : nullptr;
  if (!seen) return;
  if (*seen >= 0)
    throw std::runtime_error(std::string(kind == 1 ? "a second main program (kind 1)" : "a second uninstaller (kind 2)") +
                             ": " + unit + " " + std::to_string(*seen) + " has one");
  *seen = number;
}

}  // namespace qw
