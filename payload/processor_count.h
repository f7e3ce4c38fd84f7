#pragma once
// How many processors the process can run threads on now.

namespace qw {

// At least 1.
unsigned ActiveProcessorCount();

}  // namespace qw
