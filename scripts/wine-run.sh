#!/usr/bin/env bash
# Runs one Windows program under Wine in the build tree's private prefix.
#   wine-run.sh WINE_DIR win32|win64 PROGRAM [ARGS...]
# With QW_WINE_LANE=any (set by CMake on the tests that need a prefix to
# themselves) the program runs in the lane CTest gave the test (its
# resource group 0), or in the first lane when CTest gave none,
# and holds that lane's lock while it runs; it sees QW_WINE_LANE=N.
# A non-zero exit code is handed on and also printed (see test-run.sh).
# Uses the display and wineserver of a running wine session (wine-session.sh)
# when there is one; otherwise Wine starts its own server and the program
# uses $DISPLAY as it is.
set -euo pipefail
wine_dir=$1 arch=$2; shift 2
here=$(cd "$(dirname "$0")" && pwd)
if [ "${QW_WINE_LANE:-}" = any ]; then
  # shellcheck source=wine-lanes.sh
  . "$here/wine-lanes.sh"
  # The lane CTest gave: CTEST_RESOURCE_GROUP_0 names the kind of lane
  # ("lanes", "display_lane"), CTEST_RESOURCE_GROUP_0_<KIND> the lane
  # ("id:2,slots:1").
  lane=1
  kind=${CTEST_RESOURCE_GROUP_0:-}
  given=CTEST_RESOURCE_GROUP_0_${kind^^}
  if [ -n "$kind" ] && [[ ${!given:-} =~ ^id:([0-9]+), ]]; then lane=${BASH_REMATCH[1]}; fi
  lane_dir=$(qw_lane_dir "$wine_dir" "$lane")
  mkdir -p "$lane_dir"
  # The lock guards against a run without CTest's lanes (a ctest without
  # the resource file, two ctest runs at once); -o: what the program starts
  # does not hold it after the program ends.
  QW_WINE_LANE=$lane exec flock -o "$lane_dir/.lane.lock" "$0" "$lane_dir" "$arch" "$@"
fi
# shellcheck source=wine-env.sh
. "$here/wine-env.sh" "$wine_dir" "$arch"
qw_wine_prefix_ready
[ -z "${QW_WINE_LANE:-}" ] || echo "wine-run: lane $QW_WINE_LANE, prefix $WINEPREFIX"
if [ -f "$wine_dir/display" ] && [ -f "$wine_dir/xvfb.pid" ] \
   && kill -0 "$(cat "$wine_dir/xvfb.pid")" 2>/dev/null; then
  export DISPLAY=":$(cat "$wine_dir/display")"
fi
exec "$here/test-run.sh" wine "$@"
