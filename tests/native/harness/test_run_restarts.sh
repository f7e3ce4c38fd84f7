#!/usr/bin/env bash
# The runner's second start (scripts/test-run.sh): given to a program that
# failed at once without a word, never to one that printed, and never to a
# run that was ended from outside (CTest's timeout), which must end.
set -u
runner=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# Fails silently the first time only: the second start passes.
cat >"$work/once.sh" <<'SCRIPT'
#!/bin/sh
[ -e "$1/started" ] && { echo "second start"; exit 0; }
touch "$1/started"
exit 1
SCRIPT
chmod +x "$work/once.sh"
out=$("$runner" "$work/once.sh" "$work"); code=$?
[ "$code" -eq 0 ] || fail "a silent first failure: exit $code, expected 0"
grep -q 'starting it again' <<<"$out" || fail "a silent first failure was not started again: $out"
grep -q 'second start' <<<"$out" || fail "the second start did not run: $out"

# Printed, then failed: its verdict stands.
out=$("$runner" sh -c 'echo "a line"; exit 2'); code=$?
[ "$code" -eq 2 ] || fail "a failure that printed: exit $code, expected 2"
grep -q 'starting it again' <<<"$out" && fail "a failure that printed was started again: $out"

# Ended from outside: one run only, and the runner ends with it.
"$runner" sleep 30 >"$work/stopped.log" 2>&1 &
runner_pid=$!
sleep 1
kill -TERM "$runner_pid"
wait "$runner_pid"; code=$?
out=$(cat "$work/stopped.log")
[ "$code" -ne 0 ] || fail "a run ended from outside reported success"
grep -q 'starting it again' <<<"$out" && fail "a run ended from outside was started again: $out"
grep -q 'ended from outside' <<<"$out" || fail "a run ended from outside does not say so: $out"

[ "$failures" -eq 0 ] && echo "test-run restarts: all cases hold"
exit "$failures"
