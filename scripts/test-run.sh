#!/usr/bin/env bash
# Runs one test program and hands on its exit code. A code other than 0 is
# also printed as a line of its own, which CTest's fail expression catches
# (cmake/TestVerdict.cmake): once a pass expression is set, CTest no longer
# looks at the exit code, and a program that printed its "PASSED" line and
# then crashed on the way out must still fail.
#   test-run.sh PROGRAM [ARGS...]
set -u
# The program writes into a file, shown when it has ended: a Wine service
# that the program starts (explorer, a device service) would otherwise
# inherit CTest's pipe and keep the test waiting long after its verdict.
out=$(mktemp)
"$@" >"$out" 2>&1 </dev/null &
child=$!
# QW_TEST_DEADLINE (seconds, set a little below CTest's timeout, which
# kills without a word): the program is ended then, and what it printed so
# far says where it was.
watchdog=
if [ -n "${QW_TEST_DEADLINE:-}" ]; then
  (
    trap 'kill "$sleeper" 2>/dev/null; exit 0' TERM
    sleep "$QW_TEST_DEADLINE" &
    sleeper=$!
    wait "$sleeper"
    echo "test-run: still running after $QW_TEST_DEADLINE s: ended" >>"$out"
    kill -TERM "$child" 2>/dev/null
    sleep 5 & sleeper=$!
    wait "$sleeper"
    kill -KILL "$child" 2>/dev/null
  ) </dev/null >/dev/null 2>&1 &
  watchdog=$!
fi
# CTest ends a test that times out: the program goes with this script.
trap 'kill -TERM "$child" 2>/dev/null' TERM INT HUP
status=0
wait "$child" || status=$?
# A trapped signal ends the wait early: wait for the program itself.
while kill -0 "$child" 2>/dev/null; do
  status=0
  wait "$child" || status=$?
done
[ -z "$watchdog" ] || kill "$watchdog" 2>/dev/null
cat "$out"
rm -f "$out"
if [ "$status" -ne 0 ]; then
  echo "test program ended with exit code $status"
fi
exit "$status"
