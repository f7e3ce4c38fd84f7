#!/usr/bin/env bash
# Starts or stops what a run of Windows tests shares: an Xvfb display and a
# persistent wineserver for the build tree's prefix (each Wine process
# otherwise pays seconds to start a server of its own).
#   wine-session.sh start|stop WINE_DIR win32|win64
set -euo pipefail
action=$1 wine_dir=$2 arch=$3
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh" "$wine_dir" "$arch"

start() {
  qw_wine_prefix_ready
  stop_quietly
  # -displayfd: Xvfb picks a free display number and writes it to fd 3.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
       3>"$wine_dir/display" >/dev/null 2>&1 &
  echo $! >"$wine_dir/xvfb.pid"
  for _ in $(seq 100); do
    [ -s "$wine_dir/display" ] && break
    sleep 0.1
  done
  [ -s "$wine_dir/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
  wineserver -p </dev/null >/dev/null 2>&1
  # Start Wine's own services now, with no pipe of ours: services started
  # by a test's first Wine process would inherit that test's output pipe and
  # keep CTest waiting after the test has ended.
  DISPLAY=":$(cat "$wine_dir/display")" wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
  echo "wine session: display :$(cat "$wine_dir/display"), prefix $WINEPREFIX"
}

stop_quietly() {
  wineserver -k 2>/dev/null || true
  if [ -f "$wine_dir/xvfb.pid" ]; then
    kill "$(cat "$wine_dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$wine_dir/xvfb.pid" "$wine_dir/display"
  fi
}

case $action in
  start) start ;;
  stop) stop_quietly; echo "wine session stopped" ;;
  *) echo "usage: $0 start|stop WINE_DIR win32|win64" >&2; exit 2 ;;
esac
