#pragma once
// How the artwork generators write a picture: all of it or no file at all,
// so that a failed write fails the build instead of leaving a truncated
// picture that the next build takes for a finished one.

#include <cstdint>
#include <string>
#include <vector>

namespace artwork {

// Writes `bytes` as the file `path`. Returns false when the file cannot be
// created or written to its end (a buffered write fails only when the file
// is closed, so the check comes after closing); a regular file at `path` is
// then removed.
bool WriteOutputFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Removes `path` when it is a regular file, leaving devices and links to
// them alone.
void RemoveOutputFile(const std::string& path);

}  // namespace artwork
