#!/usr/bin/env bash
# Configures (first time, or again after a failed configure) and builds
# the trees:
#   build/native   build-time tools, plain C++ code, its tests and benchmarks
#   build/windows  the installer and the Windows tests (MinGW-w64, i686)
#   build/windows64  the same Windows code for x86-64, built and tested
#                  where the 32-bit Wine path cannot run (scripts/wine-path.sh)
# The installer lands in build/windows/app/Install.exe.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=${JOBS:-$(nproc)}
type=${BUILD_TYPE:-Release}

if [ ! -f build/native/Makefile ]; then
  cmake -S . -B build/native -DCMAKE_BUILD_TYPE="$type" >/dev/null
fi
cmake --build build/native -j"$jobs"

if [ ! -f build/windows/Makefile ]; then
  cmake -S . -B build/windows -DCMAKE_BUILD_TYPE="$type" \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
        -DQW_NATIVE_BUILD_DIR="$top/build/native" >/dev/null
fi
cmake --build build/windows -j"$jobs"

read -r wine_tree _ < <(./scripts/wine-path.sh)
if [ "$wine_tree" = windows64 ]; then
  if [ ! -f build/windows64/Makefile ]; then
    cmake -S . -B build/windows64 -DCMAKE_BUILD_TYPE="$type" \
          -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
          -DQW_NATIVE_BUILD_DIR="$top/build/native" >/dev/null
  fi
  cmake --build build/windows64 -j"$jobs"
fi
