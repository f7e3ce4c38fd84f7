#pragma once
// What the install sequence does with a payload file, by the kind number
// stored in its archive entry. The reader passes the number through; the
// packer, the installer and the uninstaller give it meaning through these
// names.

#include <cstdint>

namespace qw {

enum class PayloadKind : std::uint32_t {
  ProgramFile = 0,    // ordinary program file, always written
  MainProgram = 1,    // the product's main program (shortcuts, registration)
  Uninstaller = 2,    // the uninstaller (its shortcut, the uninstall entry and log)
  UserData = 3,       // user-modifiable data: never overwritten when present
  Sample = 4,         // samples and textures: not written on an update
  TemporarySetup = 5, // written to the temporary folder, deleted afterwards
};

// Kinds 0 to 5 are the ones an archive may hold.
inline constexpr std::uint32_t kPayloadKindCount = 6;

inline constexpr bool IsPayloadKind(std::uint32_t kind, PayloadKind wanted) {
  return kind == static_cast<std::uint32_t>(wanted);
}

}  // namespace qw
