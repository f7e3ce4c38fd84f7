#include "payload/processor_count.h"

#include <thread>

namespace qw {

unsigned ActiveProcessorCount() {
  const unsigned count = std::thread::hardware_concurrency();
  return count > 0 ? count : 1u;
}

}  // namespace qw
