#pragma once
// Probes of what the platform under the tests does, for the tests that a
// gap of the platform (usually of Wine) would make meaningless. Each probe
// does the operation itself on a scratch object of its own, with the plain
// Windows functions and none of the installer's code, and tells whether
// the platform did what Windows does, with a one-line finding to print in
// a skip. A test skips only on a probe's word, never on what the code under
// test produced. Test support only; every probe cleans up after itself.

#include <string>

namespace qw::test {

struct ProbeResult {
  bool works = false;
  std::string finding;  // what the probe did and saw
};

// Saves a scratch key under HKEY_LOCAL_MACHINE with RegSaveKeyW, changes a
// value and adds one, and restores the saved hive with RegRestoreKeyW:
// works when the key is then as saved.
ProbeResult ProbeRegistryRestore();

// Writes a DACL of three entries to a scratch file with SetFileSecurityW
// and reads it back with GetFileSecurityW: works when the same entries come
// back.
ProbeResult ProbeFileDacl();

// Sets FILE_ATTRIBUTE_NOT_CONTENT_INDEXED on a scratch file and reads the
// attributes back: works when the attribute stays.
ProbeResult ProbeNotContentIndexedAttribute();

// Whether a child process can be given a user language of its own: under
// Wine through the Unix locale of the loader started by env(1) (see
// StartInUnixLocale). Works when ntdll is Wine's and Z:\usr\bin\env exists.
ProbeResult ProbeUnixLocaleStart();

// Starts a suspended cmd.exe with HIGH_PRIORITY_CLASS and asks the new
// process's priority class: works when it is HIGH_PRIORITY_CLASS.
ProbeResult ProbeCreationPriorityClass();

}  // namespace qw::test
