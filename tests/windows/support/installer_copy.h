#pragma once
// Copies of the built installer that carry another payload: the payload
// resource (type 260, name 134, neutral language) replaced through
// UpdateResourceW, so that a test runs the real installer on a payload made
// for it. Test support.

#include <string>

namespace qw::test {

// Copies `installer` to `copyPath` and replaces its payload with `archive`.
// Returns false (leaving any partial copy) when a step fails.
bool MakeInstallerWithPayload(const std::wstring& installer, const std::wstring& copyPath,
                              const std::string& archive);

}  // namespace qw::test
