#pragma once
// Wide texts (paths, window texts, messages) as a test prints them in its
// output and failure messages: ASCII kept, every other character a '?', so
// that a failure reads the same whatever the console's code page.

#include <string>

namespace qw::test {

std::string Narrow(const std::wstring& text);

}  // namespace qw::test
