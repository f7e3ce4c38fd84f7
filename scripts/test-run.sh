#!/usr/bin/env bash
# Runs one test program and hands on its exit code. A code other than 0 is
# also printed as a line of its own, which CTest's fail expression catches
# (cmake/TestVerdict.cmake): once a pass expression is set, CTest no longer
# looks at the exit code, and a program that printed its "PASSED" line and
# then crashed on the way out must still fail.
#   test-run.sh PROGRAM [ARGS...]
set -u

# The program that runs now: CTest ends a test that times out, and the
# program goes with this script.
child=
stopped=false
trap 'stopped=true; [ -z "$child" ] || kill -TERM "$child" 2>/dev/null' TERM INT HUP

# run_once PROGRAM [ARGS...]: runs the program, shows what it printed and
# sets `status` and `printed` (whether it printed anything).
run_once() {
  # The program writes into a file, shown when it has ended: a Wine service
  # that the program starts (explorer, a device service) would otherwise
  # inherit CTest's pipe and keep the test waiting long after its verdict.
  local out watchdog=
  out=$(mktemp)
  "$@" >"$out" 2>&1 </dev/null &
  child=$!
  # QW_TEST_DEADLINE (seconds, set a little below CTest's timeout, which
  # kills without a word): the program is ended then, and what it printed
  # so far says where it was.
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
  status=0
  wait "$child" || status=$?
  # A trapped signal ends the wait early: wait for the program itself.
  while kill -0 "$child" 2>/dev/null; do
    status=0
    wait "$child" || status=$?
  done
  child=
  [ -z "$watchdog" ] || kill "$watchdog" 2>/dev/null
  cat "$out"
  printed=false
  [ -s "$out" ] && printed=true
  rm -f "$out"
}

started=$SECONDS
run_once "$@"
# The test programs write unbuffered (tests/windows/support/test_main.cpp),
# and GoogleTest prints before it runs anything: a program that failed at
# once without a word never reached its main. That is Wine failing to start
# it, not a verdict: it gets one more start, and the log says so.
if [ "$status" -ne 0 ] && ! $printed && ! $stopped && [ $((SECONDS - started)) -lt 10 ]; then
  echo "test-run: ended at once with code $status and printed nothing (not started): starting it again"
  run_once "$@"
fi
if [ "$status" -ne 0 ]; then
  echo "test program ended with exit code $status"
  if $stopped; then
    echo "test-run: this run was ended from outside"
  elif ! $printed; then
    echo "test-run: it printed nothing: it was not started, or ended before its main"
  fi
fi
exit "$status"
