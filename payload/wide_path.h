#pragma once
// File-system paths from and to wide strings, independent of the process
// locale. On Windows paths are wide already; elsewhere they are UTF-8.

#include <boost/filesystem/path.hpp>

#include <string>

namespace qw {

boost::filesystem::path WidePath(const std::wstring& text);
std::wstring PathText(const boost::filesystem::path& path);

}  // namespace qw
