#!/usr/bin/env bash
# Sets up what is missing, builds both trees and runs every test.
# Exits non-zero when anything fails; ends with the test summary.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
cd "$top"

./scripts/setup.sh
./scripts/build.sh

status=0
summary=()
run_ctest() {
  local tree=$1 log
  log=$(mktemp)
  echo "== tests: $tree"
  if ! ctest --test-dir "build/$tree" --output-on-failure --no-tests=error -j2 2>&1 | tee "$log"; then
    status=1
  fi
  # "100% tests passed, 0 tests failed out of 45"
  local line total failed
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1 || true)
  if [ -z "$line" ] && grep -q 'No tests were found' "$log"; then
    status=1
    summary+=("$tree: no tests")
  elif [ -z "$line" ]; then
    status=1
    summary+=("$tree: no test summary")
  else
    failed=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
    # "  12 - Name (Skipped)" in the list of tests that did not run.
    skipped=$(grep -cE '^[[:space:]]*[0-9]+ - .* \(Skipped\)$' "$log" || true)
    passed_total=$((passed_total + total - failed - skipped))
    skipped_total=$((skipped_total + skipped))
    failed_total=$((failed_total + failed))
    [ "$failed" -eq 0 ] || status=1
  fi
  rm -f "$log"
}

passed_total=0 skipped_total=0 failed_total=0
run_ctest native
if ./scripts/host-runs-i386.sh; then
  run_ctest windows
else
  echo "This host runs 64-bit programs only: the Windows tests run in the x86-64 build."
  run_ctest windows64
fi
echo
for s in "${summary[@]+"${summary[@]}"}"; do echo "$s"; done
echo "$passed_total passed, $skipped_total skipped, $failed_total failed"
exit $status
