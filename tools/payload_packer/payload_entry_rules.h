#pragma once
// The rules every entry of a payload is held to, whether it comes from a
// manifest line (pack) or from an archive's directory (verify): a
// destination the installer can resolve (CheckDestinationFolder), the kind
// rules (EntryKindRules), a file name Windows can create, and no second
// entry installing the same file.

#include <cstdint>
#include <map>
#include <string>

#include "tools/payload_packer/entry_kinds.h"

namespace qw {

class PayloadEntryRules {
 public:
  // Throws std::runtime_error (one line, without the entry's position) when
  // the entry numbered `number` breaks a rule; `unit` names what the number
  // counts ("line", "entry"). `fileName` is the installed file's name.
  void Check(std::uint32_t kind, const std::wstring& destination, const std::wstring& fileName,
             int number, const char* unit);

 private:
  EntryKindRules kinds_;
  std::map<std::wstring, int> numberOfFile_;  // by InstalledFileKey
};

}  // namespace qw
