#!/usr/bin/env bash
# Sets up what is missing, builds the trees and runs every test.
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
  collect_skips "$tree"
}

# Each skipped test with the reason it printed ("file:line: Skipped" and the
# reason on the next line, in CTest's log of the run).
skips=()
collect_skips() {
  local last="build/$1/Testing/Temporary/LastTest.log" line
  [ -f "$last" ] || return 0
  while IFS= read -r line; do skips+=("$line"); done < <(awk '
    /^[0-9]+\/[0-9]+ Test: / { sub(/^[0-9]+\/[0-9]+ Test: /, ""); name = $0; next }
    want { if ($0 != "") { print "  " name ": " $0; want = 0 } ; next }
    /: Skipped$/ { want = 1 }
  ' "$last" | sort -u)
}

passed_total=0 skipped_total=0 failed_total=0
run_ctest native
read -r wine_tree _ < <(./scripts/wine-path.sh)
run_ctest "$wine_tree"
echo
for s in "${summary[@]+"${summary[@]}"}"; do echo "$s"; done
# What a green run here did not prove.
if [ "$wine_tree" = windows64 ] || [ ${#skips[@]} -gt 0 ]; then
  echo "Not proven on this host:"
  if [ "$wine_tree" = windows64 ]; then
    echo "  the shipped i686 Install.exe was not executed: $(./scripts/wine-path.sh --why);"
    echo "  the Windows tests ran an x86-64 build of the same code in a 64-bit prefix"
  fi
  for s in "${skips[@]+"${skips[@]}"}"; do echo "$s"; done
fi
echo "$passed_total passed, $skipped_total skipped, $failed_total failed"
exit $status
