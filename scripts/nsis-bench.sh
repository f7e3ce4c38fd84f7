#!/usr/bin/env bash
# Benchmark (not a test): the installer against an NSIS installer of exactly
# the files of its payload, under Wine in the tree's own prefix.
#   scripts/nsis-bench.sh [ROUNDS]
# Builds nsis_bench in the Windows tree this host tests with, extracts the
# payload with the project's reader and writes the NSIS script
# (nsis_bench prepare), builds the NSIS installer with Debian's makensis
# (the nsis package, installed by setup for this benchmark only), then
# times the contestants round by round (nsis_bench run) and prints each
# one's median, min and max and last "ratio to NSIS".
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
rounds=${1:-5}
read -r tree arch < <(./scripts/wine-path.sh)
command -v makensis >/dev/null || { echo "nsis-bench: makensis is missing (scripts/setup.sh installs nsis)" >&2; exit 2; }
cmake --build "build/$tree" -j2 --target nsis_bench Install
work="build/$tree/nsis_bench"
rm -rf "$work"
mkdir -p "$work"
bench="build/$tree/tests/windows/engine/nsis_bench.exe"
./scripts/wine-session.sh start "build/$tree/wine" "$arch"
trap './scripts/wine-session.sh stop "build/$tree/wine" "$arch" >/dev/null 2>&1 || true' EXIT
./scripts/wine-run.sh "build/$tree/wine" "$arch" "$bench" prepare "Z:$(realpath "$work" | tr / '\\')"
(cd "$work" && makensis -V2 meridel.nsi)
./scripts/wine-run.sh "build/$tree/wine" "$arch" "$bench" run "$rounds" \
  "Z:$(realpath "$work/meridel_nsis.exe" | tr / '\\')"
