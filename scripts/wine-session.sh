#!/usr/bin/env bash
# Starts or stops what a run of Windows tests shares: for each lane of the
# build tree (scripts/wine-lanes.sh) an Xvfb display, a persistent
# wineserver for its prefix (each Wine process otherwise pays seconds to
# start a server of its own) and the small disk (scripts/small-disk.sh).
# The prefixes of lanes after the first are copies of the first, made again
# whenever the first is made or set up again.
#   wine-session.sh start WINE_DIR win32|win64 [LANES]   (1 when not given)
#   wine-session.sh stop WINE_DIR win32|win64            (every lane there is)
set -euo pipefail
action=$1 arch=$3 lanes=${4:-1}
here=$(cd "$(dirname "$0")" && pwd)
# Absolute: the user folders' links below are followed from inside the prefix.
top_dir=$(mkdir -p "$2" && cd "$2" && pwd)
# shellcheck source=wine-lanes.sh
. "$here/wine-lanes.sh"

# Runs FUNCTION for lane N, with wine_dir and the Wine environment of its
# prefix (wine-env.sh).
in_lane() {
  local lane=$1 function=$2
  (
    wine_dir=$(qw_lane_dir "$top_dir" "$lane")
    # shellcheck source=wine-env.sh
    . "$here/wine-env.sh" "$wine_dir" "$arch"
    "$function"
  )
}

# Lane N's prefix: a copy of the first lane's, taken while no wineserver
# has either open, renewed when the first was made or set up after it
# (each step of wine-env.sh leaves a mark .qw-STEP).
copy_prefix() {
  local from=$1/prefix to=$2/prefix mark
  for mark in "$from"/.qw-*; do
    mark=${mark##*/}
    if [ ! -f "$to/$mark" ] || [ "$from/$mark" -nt "$to/$mark" ]; then
      rm -rf "$to"
      mkdir -p "$2"
      cp -a "$from" "$to"
      rm -f "$to/dosdevices/q:"  # the first lane's small disk
      echo "wine session: $to copied from $from"
      return
    fi
  done
}

# wineboot points the user's Desktop, Documents, Music... at the Unix
# user's home folder, which every lane (and the Unix user) would share:
# each lane's lead to a folder of its own beside its prefix.
own_user_folders() {
  local home="$wine_dir/home" link
  mkdir -p "$home"
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    [ -L "$link" ] || continue
    case $(readlink "$link") in
      "$home" | "$WINEPREFIX"/*) ;;
      *) ln -sfn "$home" "$link" ;;  # the Unix home, or a link that leads nowhere
    esac
  done
}

start() {
  own_user_folders
  # -displayfd: Xvfb picks a free display number and writes it to fd 3.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
       3>"$wine_dir/display" >/dev/null 2>&1 &
  echo $! >"$wine_dir/xvfb.pid"
  for _ in $(seq 100); do
    [ -s "$wine_dir/display" ] && break
    sleep 0.1
  done
  [ -s "$wine_dir/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
  # Drive Q: stays for the whole run: it never comes or goes while an
  # installation test compares the drives.
  "$here/small-disk.sh" mount "$wine_dir" "$arch"
  wineserver -p </dev/null >/dev/null 2>&1
  # Start Wine's own services now, with no pipe of ours: services started
  # by a test's first Wine process would inherit that test's output pipe and
  # keep CTest waiting after the test has ended.
  DISPLAY=":$(cat "$wine_dir/display")" wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
  # A fresh prefix has no C:\users\Public\Documents; the shell makes it the
  # first time a program asks for the common documents folder, and the test
  # whose program asked then removes it as its own addition. Tests that
  # browse the folder tree see it come and go. It is made here, once, so
  # that every test finds the prefix the same.
  mkdir -p "$WINEPREFIX/drive_c/users/Public/Documents"
  echo "wine session: display :$(cat "$wine_dir/display"), prefix $WINEPREFIX"
  # A run starts from a prefix without the product. What an earlier run left
  # (one ended from outside cleans up nothing) is named and removed here;
  # the run stops when it cannot be removed.
  local found
  found=$(product_leftovers)
  if [ -n "$found" ]; then
    echo "wine session: the prefix holds the product's files or keys from an earlier run:"
    echo "$found" | sed 's/^/  /'
    remove_leftovers "$found"
    found=$(product_leftovers)
    if [ -n "$found" ]; then
      echo "wine session: could not remove (delete the prefix $WINEPREFIX):" >&2
      echo "$found" | sed 's/^/  /' >&2
      exit 1
    fi
    echo "wine session: removed; the run starts from a clean prefix"
  else
    echo "wine session: no product files or keys in the prefix"
  fi
}

# The product's keys, as reg.exe names them.
product_keys=(
  'HKLM\Software\Quillon Works'
  'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Meridel 6'
  'HKLM\Software\Classes\.mr-proj'
  'HKLM\Software\Classes\Meridel.Project.6'
  'HKCU\Software\Quillon Works'
)

# One line for each of the product's files, folders (Meridel and Quillon
# Works under Program Files, ProgramData and the users' folders, the
# installer's temporary folders, the DirectX stand-in's folder) and keys
# found in the prefix.
product_leftovers() {
  local drive="$WINEPREFIX/drive_c" places=() place key
  for place in "$drive/Program Files" "$drive/Program Files (x86)" "$drive/ProgramData" "$drive/users"; do
    [ -d "$place" ] && places+=("$place")
  done
  if [ ${#places[@]} -gt 0 ]; then
    find "${places[@]}" \( -iname '*quillon*' -o -iname 'meridel*' \) -prune -print 2>/dev/null || true
  fi
  find "$drive/windows/system32" "$drive/windows/syswow64" -maxdepth 1 -iname '*quillon*' -print \
    2>/dev/null || true
  for key in "${product_keys[@]}"; do
    if DISPLAY= wine reg query "$key" </dev/null >/dev/null 2>&1; then echo "$key"; fi
  done
}

# Removes what product_leftovers listed.
remove_leftovers() {
  local line
  while IFS= read -r line; do
    case $line in
      HK*) DISPLAY= wine reg delete "$line" /f </dev/null >/dev/null 2>&1 || true ;;
      "$WINEPREFIX"/*) rm -rf -- "$line" ;;
    esac
  done <<<"$1"
}

# At the end of a run: a test that left the product behind (it should have
# put the machine back) fails the run, and the prefix is cleaned for the
# next one. Needs the wineserver of the run.
check_run_left_nothing() {
  local found waited=0
  found=$(product_leftovers)
  # An uninstaller's copy removes its private temporary folder a moment
  # after the test that ran it ended: a real leftover stays.
  while [ -n "$found" ] && [ $waited -lt 20 ]; do
    sleep 0.5
    waited=$((waited + 1))
    found=$(product_leftovers)
  done
  [ -z "$found" ] && return 0
  echo "wine session: the run left the product's files or keys in the prefix:"
  echo "$found" | sed 's/^/  /'
  remove_leftovers "$found"
  return 1
}

stop() {
  local clean=0
  if [ -f "$wine_dir/xvfb.pid" ]; then check_run_left_nothing || clean=1; fi
  stop_quietly
  "$here/small-disk.sh" unmount "$wine_dir" "$arch"
  return "$clean"
}

stop_quietly() {
  wineserver -k 2>/dev/null || true
  if [ -f "$wine_dir/xvfb.pid" ]; then
    kill "$(cat "$wine_dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$wine_dir/xvfb.pid" "$wine_dir/display"
  fi
}

# Runs FUNCTION in each of the lanes given, all at once (each lane has its
# own prefix, display and server; most of the time goes to starting Wine
# processes), and prints each lane's output in lane order. Fails when any
# lane failed.
in_lanes() {
  local function=$1 lane failed=0 out pids=()
  shift
  out=$(mktemp -d)
  for lane in "$@"; do
    in_lane "$lane" "$function" >"$out/$lane" 2>&1 &
    pids+=($!)
  done
  for lane in "$@"; do
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
    [ $# -eq 1 ] || echo "wine session: lane $lane"
    cat "$out/$lane"
  done
  rm -rf "$out"
  return "$failed"
}

case $action in
  start)
    in_lanes stop_quietly $(qw_lane_numbers "$top_dir") >/dev/null
    in_lane 1 qw_wine_prefix_ready
    for lane in $(seq 2 "$lanes"); do
      copy_prefix "$top_dir" "$(qw_lane_dir "$top_dir" "$lane")"
    done
    in_lanes start $(seq "$lanes")
    ;;
  stop)
    clean=0
    in_lanes stop $(qw_lane_numbers "$top_dir") || clean=1
    echo "wine session stopped"
    exit "$clean"
    ;;
  *) echo "usage: $0 start|stop WINE_DIR win32|win64 [LANES]" >&2; exit 2 ;;
esac
