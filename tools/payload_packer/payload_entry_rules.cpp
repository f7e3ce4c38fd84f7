#include "tools/payload_packer/payload_entry_rules.h"

#include <stdexcept>

#include "payload/unicode_text.h"
#include "tools/payload_packer/destination_folder.h"
#include "tools/payload_packer/windows_file_name.h"

namespace qw {

void PayloadEntryRules::Check(std::uint32_t kind, const std::wstring& destination,
                              const std::wstring& fileName, int number, const char* unit) {
  CheckDestinationFolder(destination);
  kinds_.Check(kind, destination, number, unit);
  const std::string fault = WindowsFileNameFault(fileName);
  if (!fault.empty()) throw std::runtime_error("source file name " + fault);
  const std::wstring key = InstalledFileKey(destination, fileName);
  if (const auto first = numberOfFile_.find(key); first != numberOfFile_.end())
    throw std::runtime_error("destination " + Utf8FromWide(destination + L"\\" + fileName) +
                             " repeats " + unit + " " + std::to_string(first->second));
  numberOfFile_.emplace(key, number);
}

}  // namespace qw
