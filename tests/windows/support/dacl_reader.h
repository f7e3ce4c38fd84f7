#pragma once
// Security descriptors as the security tests compare them: the DACL's
// entries as string SIDs, masks and flags, and a stand-in's way of handing
// out a prepared descriptor as GetFileSecurityW does.

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

namespace qw::test {

struct DaclEntry {
  std::wstring sid;  // string form, e.g. S-1-5-32-545
  DWORD mask;
  BYTE flags;
  bool operator==(const DaclEntry& o) const { return sid == o.sid && mask == o.mask && flags == o.flags; }
};

// Prints an entry in GoogleTest's failure messages.
void PrintTo(const DaclEntry& entry, std::ostream* os);

struct Dacl {
  bool present = false;
  bool null = false;  // present without an ACL: everyone has every right
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  std::vector<DaclEntry> entries;
};

// The DACL of `descriptor`, its entries read as ACCESS_ALLOWED_ACEs.
Dacl DaclOf(PSECURITY_DESCRIPTOR descriptor);

// Copies `served` into the caller's buffer with GetFileSecurityW's contract:
// `needed` gets the size; FALSE with ERROR_INSUFFICIENT_BUFFER when `size`
// is too small.
BOOL ServeDescriptor(const std::vector<BYTE>& served, PSECURITY_DESCRIPTOR descriptor, DWORD size,
                     LPDWORD needed);

}  // namespace qw::test
