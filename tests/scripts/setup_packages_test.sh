#!/usr/bin/env bash
# The choice of Wine path in setup, with apt replaced by a stand-in that
# fails or succeeds by its arguments: the machine's packages are not touched.
set -u
. "$(dirname "$0")/../../scripts/setup-packages.sh"

failures=0
check() {  # NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAIL $1: expected '$2', got '$3'"
    failures=$((failures + 1))
  fi
}

# Stand-in apt: refuses a package list containing any word of $refuse, and
# refuses -t unless $pinned_works; records every call in a file (apt runs
# in a subshell that captures its output).
record=$(mktemp)
trap 'rm -f "$record"' EXIT
apt_install() {
  echo "$*" >>"$record"
  local pinned=0 word
  [ "$1" = -t ] && pinned=1
  for word in $refuse; do
    case " $* " in
      *" $word "*) [ "$pinned" -eq 1 ] && [ "$pinned_works" -eq 1 ] || { echo "E: $word broken"; return 100; } ;;
    esac
  done
  return 0
}

run() {  # RUNS_I386 REFUSE PINNED_WORKS
  refuse=$2 pinned_works=$3 qw_wine_path="" qw_packages_note=""
  : >"$record"
  local status=0
  qw_install_packages "$1" bookworm cmake -- wine32:i386 libx:i386 -- wine64 mingw64 || status=$?
  mapfile -t calls <"$record"
  return $status
}

# A host that runs 32-bit programs with healthy lists: wine32, one attempt, no note.
run 1 "" 0; status=$?
check "healthy 32-bit: status" 0 "$status"
check "healthy 32-bit: path" win32 "$qw_wine_path"
check "healthy 32-bit: attempts" 1 "${#calls[@]}"
check "healthy 32-bit: packages" "cmake wine32:i386 libx:i386" "${calls[0]}"
check "healthy 32-bit: note" "" "$qw_packages_note"

# The stale i386 index: wine32 resolves only from the release itself.
run 1 "wine32:i386" 1; status=$?
check "stale index: status" 0 "$status"
check "stale index: path" win32 "$qw_wine_path"
check "stale index: second attempt" "-t bookworm cmake wine32:i386 libx:i386" "${calls[1]}"
case "$qw_packages_note" in *"-t bookworm"*) ;; *) check "stale index: note names -t" "note with -t bookworm" "$qw_packages_note" ;; esac

# wine32 cannot be had at all: the 64-bit path, with a line saying that the
# shipped 32-bit installer is not executed.
run 1 "wine32:i386" 0; status=$?
check "no wine32: status" 0 "$status"
check "no wine32: path" win64 "$qw_wine_path"
check "no wine32: 64-bit packages" "cmake wine64 mingw64" "${calls[2]}"
case "$qw_packages_note" in *"NOT executed"*) ;; *) check "no wine32: note" "note saying NOT executed" "$qw_packages_note" ;; esac

# A host that runs 64-bit programs only never asks for wine32 and says nothing.
run 0 "" 0; status=$?
check "64-bit host: status" 0 "$status"
check "64-bit host: path" win64 "$qw_wine_path"
check "64-bit host: attempts" 1 "${#calls[@]}"
check "64-bit host: packages" "cmake wine64 mingw64" "${calls[0]}"
check "64-bit host: note" "" "$qw_packages_note"

# A 64-bit host whose lists are stale too: the release's own packages.
run 0 "wine64" 1; status=$?
check "stale 64-bit: status" 0 "$status"
check "stale 64-bit: pinned" "-t bookworm cmake wine64 mingw64" "${calls[1]}"

# Nothing resolves: failure, with apt's output kept for the user.
run 1 "cmake" 0; status=$?
check "nothing resolves: status" 1 "$status"
case "$qw_apt_log" in *"E: cmake broken"*) ;; *) check "nothing resolves: apt's output" "log with apt's error" "$qw_apt_log" ;; esac

if [ "$failures" -ne 0 ]; then
  echo "$failures checks failed"
  exit 1
fi
echo "every check passed"
