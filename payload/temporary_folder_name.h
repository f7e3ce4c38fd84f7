#pragma once
// The name of a run's private temporary folder: "quillon_{" + a new random
// (version 4) UUID in lower-case 8-4-4-4-12 form + "}".

#include <string>

namespace qw {

std::wstring NewTemporaryFolderName();

}  // namespace qw
