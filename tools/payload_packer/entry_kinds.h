#pragma once
// The packer's rules for the kinds of a payload's entries, which the
// installer relies on without checking: a kind is one of 0 to 5, the only
// ones the installer knows; the files of kind 5 are needed only while the
// installation runs and are deleted after it, unrecorded, so they belong in
// <Temporary> and nothing else does; the main program (kind 1) and the
// uninstaller (kind 2) are one file each.

#include <cstdint>
#include <string>

namespace qw {

class EntryKindRules {
 public:
  // Throws std::runtime_error (one line) when the entry numbered `number`
  // (a manifest line or an archive entry, as the caller counts them) breaks
  // a rule; `unit` names what the number counts, for example "line".
  void Check(std::uint32_t kind, const std::wstring& destination, int number, const char* unit);

 private:
  int programAt_ = -1;
  int uninstallerAt_ = -1;
};

}  // namespace qw
