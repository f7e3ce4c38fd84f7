#pragma once
// Where the test programs find the files of their build and source trees.
// The build's paths are given relative to the trees and found from the
// test program's own place when it runs, so that no object file holds the
// clone's folder: a second clone compiles the tests from the compiler
// cache. Test support only.

namespace qw::test {

// `relative` (backslashes) below the build tree this program belongs to:
// the nearest folder above the program that holds CMakeCache.txt. The
// text lives as long as the process.
const wchar_t* InBuildTree(const wchar_t* relative);

// `relative` below the source tree the build tree was made from.
const wchar_t* InSourceTree(const wchar_t* relative);

}  // namespace qw::test
