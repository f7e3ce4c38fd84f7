#!/usr/bin/env bash
# The short loop after a change in one folder: builds what the tests of that
# area need and runs those tests, in the native tree and in the Windows tree
# whose tests this host runs (scripts/wine-path.sh). A test's area is the
# first folder below tests/native or tests/windows that defines it (its
# CTest label, cmake/TestAreas.cmake): engine, payload, platform, ui, app,
# i18n, product, ...
#   scripts/quick-test.sh AREA [CTEST_ARGS...]
#   scripts/quick-test.sh engine -R Uninstall     # only some of them
# The trees must have been configured once (scripts/build.sh). Exits
# non-zero when a build or a test fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
if [ $# -lt 1 ] || [[ $1 == -* ]]; then
  echo "usage: $0 AREA [CTEST_ARGS...]" >&2
  exit 2
fi
area=$1; shift
jobs=${JOBS:-2}
label="^${area}\$"
read -r wine_tree _ < <(./scripts/wine-path.sh)
for tree in native "$wine_tree"; do
  [ -f "build/$tree/CTestTestfile.cmake" ] || { echo "build/$tree is not configured: run scripts/build.sh once" >&2; exit 2; }
done

# The test programs that CTest would start for the area's Windows tests, as
# build targets: the programs of this tree that their commands name.
area_targets() {
  local tree=$1; shift
  ctest --test-dir "build/$tree" -N -V -L "$label" "$@" 2>/dev/null |
    sed -n 's/^[0-9]*: Test command: //p' | tr ' ' '\n' | tr -d '"' |
    grep -E "^$top/build/$tree/.*\.exe\$" | sed -E 's|.*/||; s|\.exe$||' | sort -u
}

# Native: the whole tree (what did not change is not rebuilt; its build-time
# tools make the Windows payloads), so that the discovered tests are current.
cmake --build build/native -j"$jobs"
# The Windows tree's list of tests as its CMake files now say.
cmake --build "build/$wine_tree" --target cmake_check_build_system >/dev/null
mapfile -t targets < <(area_targets "$wine_tree" "$@")
if [ ${#targets[@]} -gt 0 ]; then
  cmake --build "build/$wine_tree" -j"$jobs" --target "${targets[@]}"
fi

status=0 ran=0
for tree in native "$wine_tree"; do
  if [ -n "$(ctest --test-dir "build/$tree" -N -L "$label" "$@" | sed -n 's/^Total Tests: //p' | grep -v '^0$')" ]; then
    echo "== $tree: tests of $area"
    ran=1
    ctest --test-dir "build/$tree" -L "$label" -j"$jobs" --output-on-failure "$@" || status=1
  fi
done
[ $ran -eq 1 ] || { echo "no test of area \"$area\" in build/native or build/$wine_tree" >&2; status=1; }
exit $status
