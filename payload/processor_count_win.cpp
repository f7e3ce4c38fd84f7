#include "payload/processor_count.h"

#include <windows.h>

namespace qw {

unsigned ActiveProcessorCount() {
  const DWORD count = ::GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
  return count > 0 ? static_cast<unsigned>(count) : 1u;
}

}  // namespace qw
