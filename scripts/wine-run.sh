#!/usr/bin/env bash
# Runs one Windows program under Wine in the build tree's private prefix.
#   wine-run.sh WINE_DIR win32|win64 PROGRAM [ARGS...]
# A non-zero exit code is handed on and also printed (see test-run.sh).
# Uses the display and wineserver of a running wine session (wine-session.sh)
# when there is one; otherwise Wine starts its own server and the program
# uses $DISPLAY as it is.
set -euo pipefail
wine_dir=$1 arch=$2; shift 2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh" "$wine_dir" "$arch"
qw_wine_prefix_ready
if [ -f "$wine_dir/display" ] && [ -f "$wine_dir/xvfb.pid" ] \
   && kill -0 "$(cat "$wine_dir/xvfb.pid")" 2>/dev/null; then
  export DISPLAY=":$(cat "$wine_dir/display")"
fi
exec "$here/test-run.sh" wine "$@"
